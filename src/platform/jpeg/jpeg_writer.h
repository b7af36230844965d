#pragma once
// JPEG files of page bitmaps, encoded in-process with libjpeg-turbo.
#include <string>

namespace qm {

class Bitmap;

// `quality` 1..100; any other value leaves the encoder's default (75). Grayscale files have
// one component. Failures (no bitmap, file not writable, encoder errors) are reported, leave
// no partial file behind, and give false with errno telling the system's reason.
bool writeJpeg(const Bitmap& bitmap, const std::string& path, int quality, bool grayscale);

}  // namespace qm
