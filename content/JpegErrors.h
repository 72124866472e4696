#pragma once

// clang-format off
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

namespace pelican
{

// The error manager for libjpeg's compressors and decompressors: the error exit keeps the
// library's message and jumps back to the setjmp on jump, and messages go to the log instead of
// standard error. A function that calls setjmp on jump must hold no objects with destructors (the
// jump would skip them) and must read no local it changed after setjmp; everything it needs after
// the jump lives in records reached through pointers. Past the setjmp the decoder turns the jump
// into a heron::ReadError, so no jump crosses code of ours with destructors.
//
// The library's warnings that the data ended early (the file's bytes ran out, or a data segment
// ended before its blocks were complete) fail the work as errors do: the library would go on with
// zeros in place of what is missing and give a picture that is mostly grey.
struct JpegErrors
{
    // First member, so that libjpeg's pointer to it is a pointer to the whole record.
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    // The message of the error that jumped back.
    char message[JMSG_LENGTH_MAX];
    // The library's own handling of the messages that do not fail the work.
    void (*libraryEmit)(j_common_ptr, int);
};

// Prepares errors and returns the manager to put in the err field of a libjpeg record.
jpeg_error_mgr* useJpegErrors(JpegErrors& errors);
// The error exit: keeps the library's message and jumps back.
[[noreturn]] void jpegErrorExit(j_common_ptr info);
// Fails the library's work as an error exit would, with the message.
[[noreturn]] void failJpeg(j_common_ptr info, const char* message);

}
