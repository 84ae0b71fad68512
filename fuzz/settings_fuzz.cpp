// Arbitrary bytes as a settings file: reading must not crash, must give values the window
// can use, and what we write must read back as the same settings.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/gbk.h"
#include "settings/ini_document.h"
#include "settings/settings.h"

namespace {

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "settings invariant broken: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kx::settings;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    IniDocument doc = IniDocument::Parse(text);
    const Settings first = SettingsFromDocument(doc);
    Check(first.deviceRow >= 0 && first.deviceRow <= 99, "device row out of range");
    Check(kx::IsValidUtf8(first.productName), "product name is not UTF-8");
    if (const auto gbk = kx::Utf8ToGbk(first.productName)) {
        Check(gbk->size() <= kProductNameMaxGbkBytes, "product name too long for the box");
    }

    WriteSettings(first, doc);
    const std::string written = doc.Serialize();
    IniDocument reread = IniDocument::Parse(written);
    Check(SettingsFromDocument(reread) == first, "settings changed by a write and read");

    // Saving what was just loaded again must not change the file any further.
    WriteSettings(first, reread);
    Check(reread.Serialize() == written, "second save differs from the first");
    return 0;
}
