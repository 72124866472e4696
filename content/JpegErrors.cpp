#include "content/JpegErrors.h"

#include "base/Debug.h"

#include <jerror.h>

#include <cstring>

namespace pelican
{

namespace
{

JpegErrors& errorsOf(j_common_ptr info)
{
    return *reinterpret_cast<JpegErrors*>(info->err);
}

// Warnings and traces: libjpeg asks for the first warning of each image and for nothing else at
// the default trace level.
void logJpegMessage(j_common_ptr info)
{
    char text[JMSG_LENGTH_MAX];
    info->err->format_message(info, text);
    heron::debug("libjpeg: %s\n", text);
}

bool endsEarly(int code)
{
    return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER;
}

// Messages and warnings: a warning that the data ended early fails the work, the others take the
// library's own course (the first warning of an image is logged).
void emitJpegMessage(j_common_ptr info, int level)
{
    if (level < 0 && endsEarly(info->err->msg_code)) {
        jpegErrorExit(info);
    }
    errorsOf(info).libraryEmit(info, level);
}

}

jpeg_error_mgr* useJpegErrors(JpegErrors& errors)
{
    jpeg_error_mgr* const manager = jpeg_std_error(&errors.manager);
    manager->error_exit = jpegErrorExit;
    manager->output_message = logJpegMessage;
    errors.libraryEmit = manager->emit_message;
    manager->emit_message = emitJpegMessage;
    errors.message[0] = '\0';
    return manager;
}

void jpegErrorExit(j_common_ptr info)
{
    JpegErrors& errors = errorsOf(info);
    info->err->format_message(info, errors.message);
    std::longjmp(errors.jump, 1);
}

void failJpeg(j_common_ptr info, const char* message)
{
    JpegErrors& errors = errorsOf(info);
    std::strncpy(errors.message, message, sizeof errors.message - 1);
    errors.message[sizeof errors.message - 1] = '\0';
    std::longjmp(errors.jump, 1);
}

}
