// The log file itself: code page 949 through iconv, a fresh name for every write.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iconv.h>

#include "core/text_key.h"
#include "history/status_log.h"

namespace zephyra {

namespace {

// Length of the UTF-8 character starting with lead, 1 for a stray byte.
std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

std::string NameWithCounter(const std::string &name, int counter) {
    if (counter == 1)
        return name;
    const std::string stem = name.substr(0, name.size() - 4); // without ".txt"
    return stem + "_" + std::to_string(counter) + ".txt";
}

std::string ErrorText(const std::filesystem::path &path, int error, const TextTranslator &tr) {
    return tr.Format(ZEPHYRA_TEXT("zephyra", "로그 파일 %1에 쓸 수 없습니다: %2"),
                     {path.string(), std::strerror(error)});
}

} // namespace

std::string ToCp949(std::string_view utf8) {
    iconv_t cd = iconv_open("CP949", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(utf8);
    std::string out;
    char buffer[4096];
    char *in = const_cast<char *>(utf8.data());
    std::size_t inLeft = utf8.size();
    while (inLeft > 0) {
        char *outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        // A character the code page lacks, a broken sequence or a cut one at the end: mark and go on.
        out += '?';
        std::size_t skip = std::min(inLeft, Utf8Length(static_cast<unsigned char>(*in)));
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

LogFileResult WriteLogFile(const std::filesystem::path &directory, const std::tm &localTime,
                           const std::vector<std::string> &lines, const TextTranslator &tr) {
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    const std::string bytes = ToCp949(text);

    const std::string name = LogFileName(localTime);
    LogFileResult result;
    // The user's folder is made on its first file; a failure shows as the file's own below.
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    for (int counter = 1; counter <= 1000; ++counter) {
        result.Path = directory / NameWithCounter(name, counter);
        // "x": create only, so an earlier log of the same second is never replaced.
        std::FILE *f = std::fopen(result.Path.string().c_str(), "wbx");
        if (!f) {
            if (errno == EEXIST)
                continue;
            result.Error = ErrorText(result.Path, errno, tr);
            return result;
        }
        bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        int error = errno;
        if (std::fclose(f) != 0 && ok) {
            ok = false;
            error = errno;
        }
        if (!ok) {
            std::filesystem::remove(result.Path, ignored);
            result.Error = ErrorText(result.Path, error, tr);
        }
        return result;
    }
    result.Error = ErrorText(directory / name, EEXIST, tr);
    return result;
}

} // namespace zephyra
