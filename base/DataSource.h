#pragma once

#include "base/StreamState.h"
#include "base/Streamable.h"
#include "base/heron_string.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace heron
{

class FilePath;
class NetAddress;
class StreamReader;
template <class T>
class counted_ptr;

// Abstract byte source: each kind supplies the byte operations, and every typed read (tags, bools,
// 16/32/64-bit values in either byte order, strings in five modes, text lines) is built on them here.
// Typed reads return the source so they chain; a short read sets the error flag and leaves the target
// unchanged unless its contract says otherwise. One thread at a time uses a source.
// A kind that overrides readByte() should add "using DataSource::readByte;" to keep readByte(char&).
//
// A kind whose next bytes are already in memory (the memory source's block, the file source's
// buffer) shows them as its window [m_next, m_end): typed reads, text lines and strings take their
// bytes straight from the window and call the byte operations only for what lies beyond it. The
// window is empty while an error is flagged (setError empties it), so a flagged source reads
// through its byte operations; a kind that clears the flag sets its window again. Such a kind
// works out its own position from the window's start, and a subclass of it that overrides
// readByte(), read() or peekByte() is bypassed by the typed reads.
class DataSource : public StreamWindow<const unsigned char>
{
public:
    DataSource() = default;
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;
    virtual ~DataSource();

    // True while the source is open and no error is flagged.
    virtual bool isOK() const = 0;
    // The next byte as 0..255, or -1 at the end of data or after an error.
    virtual int readByte() = 0;
    // Copies up to n bytes into buffer; returns the number delivered.
    virtual std::uint32_t read(void* buffer, std::uint32_t n) = 0;
    // The next byte without consuming it, or -1.
    virtual int peekByte() = 0;
    // Skips n bytes; stops at the end of data.
    virtual void skip(std::uint32_t n);
    // Releases what the kind holds open; the base does nothing.
    virtual void close();
    // True when tell, seek and remaining are meaningful.
    virtual bool canSeek() const;
    // Position of the next byte, in bytes from the start; the base says 0.
    virtual std::uint32_t tell() const;
    // Moves to an absolute byte position; out of range sets the error flag. The base does nothing.
    virtual void seek(std::uint32_t position);
    // Bytes left before the end; the base says 0.
    virtual std::uint32_t remaining() const;

    // Tag integer: one byte below 255, else 0xFF and a 32-bit value. 0xFFFFFFFF at the end of data.
    DataSource& readTag(std::uint32_t& value)
    {
        // The one-byte form is tested first: it needs one byte of window, and most tags are short.
        const unsigned char* next = m_next;
        if (windowHasByte() && *next != longTagMarker) {
            value = *next++;
        } else if (windowHolds(5)) {
            value = decode<std::uint32_t>(next + 1);
            next += 5;
        } else {
            value = tagOutsideWindow();
            next = m_next;
        }
        m_next = next;
        return *this;
    }
    // One byte; anything but 0 is true (so the end of data reads as true, with the error flag set).
    DataSource& readBool(bool& value)
    {
        value = typedByte() != 0;
        return *this;
    }
    // The low 8 bits of readByte() (0xFF at the end of data, with the error flag set).
    DataSource& readByte(char& value)
    {
        value = char(typedByte() & 0xFF);
        return *this;
    }
    // Two bytes in the source's byte order.
    DataSource& readInt16(std::int16_t& value) { return readFixed<std::uint16_t>(value); }
    DataSource& readUInt16(std::uint16_t& value) { return readFixed<std::uint16_t>(value); }
    // Four bytes in the source's byte order, read with one 4-byte read() outside the window.
    DataSource& readInt32(std::int32_t& value) { return readFixed<std::uint32_t>(value); }
    DataSource& readUInt32(std::uint32_t& value) { return readFixed<std::uint32_t>(value); }
    // Eight bytes in the source's byte order (two 32-bit halves as DataDest::writeDouble writes them).
    DataSource& readDouble(double& value) { return readFixed<std::uint64_t>(value); }
    DataSource& readDouble(std::int64_t& value) { return readFixed<std::uint64_t>(value); }
    DataSource& readDouble(std::uint64_t& value) { return readFixed<std::uint64_t>(value); }
    // A string in the source's string mode; the target is emptied first. A length beyond the data
    // left sets the error flag and leaves the target empty.
    DataSource& readString(heron_string& value)
    {
        const unsigned char* next = m_next;
        // A short string of the default mode, whole in the window, into a string held inline.
        if (stringMode() == defaultStringMode && value.isInline() && windowHasByte() && *next < longTagMarker &&
            windowHolds(1 + std::size_t(*next))) {
            const std::uint32_t length = *next;
            value.assign(reinterpret_cast<const char*>(next + 1), length);
            next += 1 + length;
        } else {
            readStringOutsideWindow(value);
            next = m_next;
        }
        m_next = next;
        return *this;
    }
    // One text line without its line end: LF, CR, CR LF or LF CR. A second end of the same kind
    // (LF LF, CR CR, CR LF CR LF) ends an empty line of its own. False at the end of data when
    // nothing was read.
    bool readLine(heron_string& value);
    // The line-end rule of every text reader. True for the bytes that end a text line: LF and CR.
    static bool isLineEnd(int byte) { return byte == '\n' || byte == '\r'; }
    // True when next, following the line-end byte first, belongs to the same line end: CR LF or
    // LF CR. A second end of the same kind ends a line of its own.
    static bool endsTogether(int first, int next) { return isLineEnd(next) && next != first; }
    // A network address: the IPv4 address as 32 bits, then the port as 32 bits, in the source's
    // byte order. The target is unchanged when the bytes run short.
    DataSource& readAddress(NetAddress& value);
    // A path stored as its text in the source's string mode, made a new normalised path. The
    // target is unchanged when the text cannot be read.
    DataSource& readPath(FilePath& value);

    // Object-graph streams (base/StreamReader.h). Registers a class's factory, and through its
    // registerFactories the classes it refers to, for the next readObject.
    DataSource& registerFactory(StreamableFactory factory);
    // Reads one whole stream and returns its root; null when nothing was read, the bytes were
    // damaged or a class's own read threw: the reason is logged once as "Stream reader: <reason>",
    // the error flag set and the objects made so far deleted. Throws nothing. Consumes the
    // registrations.
    counted_ptr<Streamable> readObject();
    // Reads a pointer field inside an object's body (always 4 bytes); the field is null until the
    // stream ends and must stay at its address until then.
    template <class T>
    DataSource& readObjectRef(T*& field)
    {
        std::uint32_t address = 0;
        readUInt32(address);
        if (m_streamReader != nullptr && !hasError()) {
            field = nullptr;
            if (address != 0) {
                addPointerFixup(address, static_cast<void*>(&field), &assignStreamPointer<T>);
            }
        }
        return *this;
    }
    // Reads a shared-pointer field: restored pointers to one object share its block, which counts them.
    template <class T>
    DataSource& readObjectRef(counted_ptr<T>& field)
    {
        return readObjectRef(static_cast<void*>(&field), &counted_ptr<T>::assignStreamed, PatchTime::Late);
    }
    // The pointer field at field is set through assign, at the given time.
    DataSource& readObjectRef(void* field, PointerAssign assign, PatchTime time = PatchTime::WithOthers);
    // Called by an object's read to have its afterLoad run before the other objects'.
    void requestEarlyAfterLoad();

protected:
    // Copies up to n bytes from the window and moves past them; returns how many.
    std::uint32_t takeFromWindow(unsigned char* buffer, std::uint32_t n)
    {
        const auto count = std::uint32_t(std::min<std::size_t>(n, std::size_t(m_end - m_next)));
        if (count > 0) {
            std::memcpy(buffer, m_next, count);
            m_next += count;
        }
        return count;
    }

private:
    enum class LineEndPair
    {
        AnyTwo,
        OtherKind,
    };

    // The inline reads store the window's new start once, at their end, taking it back from m_next
    // after an out-of-line read: so a run of typed reads can keep it in a register.

    // The next byte from the window, else through readByte(); -1 at the end of data.
    int takeByte() { return windowHasByte() ? *m_next++ : readByte(); }
    // The same for a typed read: the end of data sets the error flag.
    int typedByte()
    {
        const unsigned char* next = m_next;
        int byte = 0;
        if (windowHasByte()) {
            byte = *next++;
        } else {
            byte = fetchByte();
            next = m_next;
        }
        m_next = next;
        return byte;
    }
    // The next sizeof(Bits) bytes in the source's byte order; false (error flag set) when they run short.
    template <class Bits>
    bool takeBits(Bits& bits)
    {
        const unsigned char* next = m_next;
        bool taken = true;
        if (windowHolds(sizeof bits)) {
            bits = decode<Bits>(next);
            next += sizeof bits;
        } else {
            taken = fetchBits(bits);
            next = m_next;
        }
        m_next = next;
        return taken;
    }
    // Stores the bit pattern of the next value in value, which stays unchanged when the bytes run short.
    template <class Bits, class T>
    DataSource& readFixed(T& value)
    {
        Bits bits;
        if (takeBits(bits)) {
            value = std::bit_cast<T>(bits);
        }
        return *this;
    }

    // What the window cannot serve, through the kind's byte operations.
    int fetchByte();
    bool fetchBits(std::uint16_t& bits);
    bool fetchBits(std::uint32_t& bits);
    bool fetchBits(std::uint64_t& bits);
    bool fetchTag(std::uint32_t& value);
    // Returned rather than stored through a reference, so that a caller's target need not live in
    // memory across the inline read.
    std::uint32_t tagOutsideWindow();
    DataSource& readStringOutsideWindow(heron_string& value);
    bool fetchStringLength(std::uint32_t& length);
    void readTextString(heron_string& value);
    void readCountedString(heron_string& value);
    // After the line-end byte first: takes one more line-end byte that belongs to the same end.
    // Stored text strings take either kind, so two LFs end one string as their writers expect; a
    // text line takes only the other kind, so that LF LF is two line ends.
    void consumeLineEnd(int first, LineEndPair pair);
    void dropStreamReader();
    void addPointerFixup(std::uint32_t address, void* field, PointerAssign assign);

    friend class StreamReader;

    // Object-graph reader attached by the first factory registration, null otherwise.
    StreamReader* m_streamReader = nullptr;
};

}
