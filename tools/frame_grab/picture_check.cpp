// orvane-picture-check PICTURE.png: fails on a picture that shows nothing,
// so a catalogue picture of an example is never a blank frame. A picture
// whose commonest colour covers all but a few pixels (less than 0.5 %) is
// blank: a clear colour alone, or a single stray dot on it.
//
// Depends on: libpng.
#include <png.h>

#include <cstdio>
#include <cstdint>
#include <unordered_map>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orvane-picture-check PICTURE.png\n");
    return 2;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, argv[1])) {
    std::fprintf(stderr, "orvane-picture-check: cannot read %s: %s\n", argv[1], image.message);
    return 1;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
  if (pixels.empty() || !png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    std::fprintf(stderr, "orvane-picture-check: cannot read %s: %s\n", argv[1], image.message);
    png_image_free(&image);
    return 1;
  }
  std::unordered_map<uint32_t, size_t> counts;
  for (uint32_t p : pixels) ++counts[p];
  size_t commonest = 0;
  for (const auto& [colour, n] : counts) commonest = n > commonest ? n : commonest;
  const size_t others = pixels.size() - commonest;
  std::printf("%s: %ux%u, %zu colours, %zu pixels (%.2f %%) differ from the commonest colour\n", argv[1],
              image.width, image.height, counts.size(), others, 100.0 * others / pixels.size());
  if (others * 200 < pixels.size()) {
    std::fprintf(stderr, "orvane-picture-check: %s is blank: it shows one colour almost everywhere\n", argv[1]);
    return 1;
  }
  return 0;
}
