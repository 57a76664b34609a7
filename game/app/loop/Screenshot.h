#pragma once
// Screen grabs: 24-bit bottom-up BMP files "PIC0000.BMP" to "PIC9999.BMP" in the grabs folder, each
// created exclusively so that no grab replaces an earlier one.
#include <cstdint>
#include <string>
#include <vector>

namespace kes {

// The bytes of a 24-bit BMP of an image given as red, green, blue, alpha bytes, top row first.
std::vector<uint8_t> EncodeScreenshotBmp(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba);

// Writes the image as the next free "PICnnnn.BMP" of the folder. The file's path, or "" when every
// number is taken, the image is empty or the file cannot be written.
std::string WriteScreenshot(const std::string& folder, uint32_t width, uint32_t height,
                            const std::vector<uint8_t>& rgba);

}  // namespace kes
