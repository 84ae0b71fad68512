#include "security/security_words.h"

namespace kx::security {

void TakeLoadedVectors(SecurityWords& words, const image::LoadedVectors& loaded) {
    words.vectorTable = loaded.table;
    words.vectorInUse = loaded.inUse;
}

}  // namespace kx::security
