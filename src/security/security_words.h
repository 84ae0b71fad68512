#pragma once
// BSL password and interrupt-vector words for 0xFFE0..0xFFFE (index i = 0xFFE0 + 2i).

#include "image/vector_words.h"

namespace kx::security {

struct SecurityWords {
    image::Words16 vectorTable;  // vectors the next programming puts into targets
    image::Words16
        vectorInUse;  // non-zero: belongs to the loaded code (or nothing loaded) — locked
    image::Words16 bslPassword;  // presented to targets on TARGET_CONNECT

    SecurityWords() { Reset(); }
    // State when the main window opens: everything 0xFFFF (all vectors locked).
    void Reset() {
        vectorTable.fill(0xFFFF);
        vectorInUse.fill(0xFFFF);
        bslPassword.fill(0xFFFF);
    }
};

// After a successful load: vectors and marks follow the code; the password stays.
void TakeLoadedVectors(SecurityWords& words, const image::LoadedVectors& loaded);

}  // namespace kx::security
