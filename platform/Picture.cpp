#include "platform/Picture.h"

RgbPicture::RgbPicture(int pictureWidth, int pictureHeight, std::uint32_t background)
    : width(pictureWidth),
      height(pictureHeight),
      pixels(static_cast<std::size_t>(pictureWidth) * static_cast<std::size_t>(pictureHeight) * 3)
{
    const auto red = static_cast<std::uint8_t>(background >> 16);
    const auto green = static_cast<std::uint8_t>(background >> 8);
    const auto blue = static_cast<std::uint8_t>(background);
    for (std::size_t at = 0; at < pixels.size(); at += 3) {
        pixels[at] = red;
        pixels[at + 1] = green;
        pixels[at + 2] = blue;
    }
}

std::uint32_t RgbPicture::Colour(int x, int y) const
{
    const std::uint8_t* pixel = At(x, y);
    return static_cast<std::uint32_t>(pixel[0]) << 16 | static_cast<std::uint32_t>(pixel[1]) << 8 |
           pixel[2];
}
