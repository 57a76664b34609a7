// Screen-grab files.
#include "game/app/loop/Screenshot.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "platform/bytes/ByteIO.h"

namespace kes {

std::vector<uint8_t> EncodeScreenshotBmp(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba) {
    const uint32_t rowBytes = (width * 3 + 3) & ~3u;
    const uint32_t imageSize = height * rowBytes;
    plat::ByteWriter w;
    w.U8('B');
    w.U8('M');
    w.U32(54 + imageSize);
    w.U16(0);
    w.U16(0);
    w.U32(54);
    w.U32(40);
    w.U32(width);
    w.U32(height);
    w.U16(1);
    w.U16(24);
    w.U32(0);
    w.U32(imageSize);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    std::vector<uint8_t> bytes = w.Take();
    bytes.reserve(54 + imageSize);
    for (uint32_t row = height; row-- > 0;) {
        const uint8_t* src = rgba.data() + static_cast<size_t>(row) * width * 4;
        for (uint32_t x = 0; x < width; ++x) {
            bytes.push_back(src[4 * x + 2]);
            bytes.push_back(src[4 * x + 1]);
            bytes.push_back(src[4 * x + 0]);
        }
        for (uint32_t pad = width * 3; pad < rowBytes; ++pad) bytes.push_back(0);
    }
    return bytes;
}

std::string WriteScreenshot(const std::string& folder, uint32_t width, uint32_t height,
                            const std::vector<uint8_t>& rgba) {
    if (width == 0 || height == 0 || rgba.size() < static_cast<size_t>(width) * height * 4) return "";
    const std::vector<uint8_t> bytes = EncodeScreenshotBmp(width, height, rgba);
    std::string base = folder;
    if (!base.empty() && base.back() != '/') base += '/';
    for (int number = 0; number <= 9999; ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "PIC%04d.BMP", number);
        const std::string path = base + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return "";
        }
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        const bool ok = done == bytes.size() && ::fsync(fd) == 0;
        ::close(fd);
        if (!ok) {
            ::unlink(path.c_str());
            return "";
        }
        return path;
    }
    return "";
}

}  // namespace kes
