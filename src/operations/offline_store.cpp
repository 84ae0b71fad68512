#include "operations/offline_store.h"

#include <algorithm>

namespace kx::ops {
namespace {

constexpr std::uint32_t kLine = image::kBlockSize;

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

}  // namespace

OfflineStoreImage PackOfflineStore(const image::CodeImage& image, std::uint32_t imageEnd) {
    OfflineStoreImage store;
    const std::uint32_t end = std::min(imageEnd, image::kImageSize);
    std::uint32_t address = image::kProgramStart;
    while (address + kLine <= end) {
        if (image.IsBlockEmpty(address)) {
            address += kLine;
            continue;
        }
        const std::uint32_t start = address;
        const std::uint32_t bankEnd = start + link::BytesToBankEnd(start);
        address += kLine;
        while (address + kLine <= end && address < bankEnd && !image.IsBlockEmpty(address)) {
            address += kLine;
        }
        const std::uint32_t length = address - start;
        PutLe32(store.bytes, start);
        PutLe32(store.bytes, length);
        store.bytes.insert(store.bytes.end(), image.Data() + start, image.Data() + address);
        ++store.blockCount;
    }
    return store;
}

OfflineSetupRecord BuildOfflineSetupRecord(const OfflineSetup& setup) {
    OfflineSetupRecord record{};
    const auto count = static_cast<std::uint8_t>(setup.blockCount);
    record[0] = count;
    record[1] = static_cast<std::uint8_t>(0xFF - count);
    record[2] = static_cast<std::uint8_t>(setup.options);
    record[3] = static_cast<std::uint8_t>(setup.options >> 8);
    record[4] = static_cast<std::uint8_t>(setup.storeLength);
    record[5] = static_cast<std::uint8_t>(setup.storeLength >> 8);
    record[6] = static_cast<std::uint8_t>(setup.storeLength >> 16);
    record[7] = setup.autoIncrement ? 1 : 0;
    std::copy(setup.password.begin(), setup.password.end(), record.begin() + 8);
    record[40] = static_cast<std::uint8_t>(setup.infoAddress);
    record[41] = static_cast<std::uint8_t>(setup.infoAddress >> 8);
    std::copy(setup.productInfo.begin(), setup.productInfo.end(), record.begin() + 42);
    record[66] = static_cast<std::uint8_t>(setup.countLimit);
    record[67] = static_cast<std::uint8_t>(setup.countLimit >> 8);
    return record;
}

}  // namespace kx::ops
