// A console takes UTF-16 through WriteConsoleW; the narrow functions would
// pass the UTF-8 bytes through the console's code page. Anything else (a
// pipe, a file) gets the bytes through the C library's stream as before.
#include <windows.h>

#include <iostream>
#include <streambuf>
#include <string>

#include "cli/std_streams.h"

namespace {

// The length of text without a UTF-8 sequence cut off at its end, which is
// kept for the next write.
size_t CompleteUtf8Length(const std::string& text)
{
    size_t lead = text.size();
    for (size_t back = 0; back < 3 && lead > 0; ++back) {
        const auto byte = static_cast<unsigned char>(text[lead - 1]);
        if ((byte & 0xC0) != 0x80) {
            // A lead byte: whole when the bytes after it are all its sequence needs.
            const size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return text.size() - (lead - 1) >= needed ? text.size() : lead - 1;
        }
        --lead;
    }
    return text.size();
}

class ConsoleBuf : public std::streambuf {
public:
    ConsoleBuf(DWORD which, std::streambuf* standard) : handle(GetStdHandle(which)), fallback(standard)
    {
        DWORD mode = 0;
        console = handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
    }

protected:
    int_type overflow(int_type ch) override
    {
        if (traits_type::eq_int_type(ch, traits_type::eof()))
            return sync() == 0 ? traits_type::not_eof(ch) : traits_type::eof();
        const char c = traits_type::to_char_type(ch);
        return xsputn(&c, 1) == 1 ? ch : traits_type::eof();
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        if (!console)
            return fallback->sputn(text, count);
        pending.append(text, static_cast<size_t>(count));
        return count;
    }

    int sync() override
    {
        if (!console)
            return fallback->pubsync();
        const size_t whole = CompleteUtf8Length(pending);
        if (whole == 0)
            return 0;
        std::wstring wide(whole, L'\0');
        const int units = MultiByteToWideChar(CP_UTF8, 0, pending.data(), static_cast<int>(whole), wide.data(),
                                              static_cast<int>(wide.size()));
        pending.erase(0, whole);
        for (int done = 0; done < units;) {
            DWORD written = 0;
            if (!WriteConsoleW(handle, wide.data() + done, static_cast<DWORD>(units - done), &written, nullptr) ||
                written == 0)
                return -1;
            done += static_cast<int>(written);
        }
        return 0;
    }

private:
    HANDLE handle;
    std::streambuf* fallback;  // we don't own it
    bool console = false;
    std::string pending;  // UTF-8 not yet written to the console
};

// Every output operation is flushed at once: the streams are written from
// several threads, each write whole under the caller's own lock.
std::ostream& Unbuffered(std::ostream& stream)
{
    stream.setf(std::ios::unitbuf);
    return stream;
}

}  // namespace

std::ostream& StandardOutput()
{
    static ConsoleBuf buffer(STD_OUTPUT_HANDLE, std::cout.rdbuf());
    static std::ostream stream(&buffer);
    return Unbuffered(stream);
}

std::ostream& StandardError()
{
    static ConsoleBuf buffer(STD_ERROR_HANDLE, std::cerr.rdbuf());
    static std::ostream stream(&buffer);
    return Unbuffered(stream);
}
