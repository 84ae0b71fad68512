#include "security/security_words.h"

namespace kx::security {

void TakeLoadedVectors(SecurityWords& words, const LoadedVectors& loaded) {
    words.vectorTable = loaded.table;
    words.vectorInUse = loaded.inUse;
}

}  // namespace kx::security
