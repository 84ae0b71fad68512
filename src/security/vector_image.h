#pragma once
// Moving the interrupt-vector words between the security words and the code image.

#include "image/code_image.h"
#include "security/security_words.h"

namespace kx::security {

// The vectors and marks of the code now in `image` (0xFFE0..0xFFFF).
image::LoadedVectors VectorsOfImage(const image::CodeImage& image);

// The password dialog's OK hand-over: word i goes to 0xFFE0 + 2i (low) and 0xFFE1 + 2i
// (high), so that every chip programmed from the image gets these vectors.
void WriteVectorTable(const image::Words16& vectorTable, image::CodeImage& image);

}  // namespace kx::security
