// Any byte string given to the item decoder is refused or decoded; a decoded item encodes
// and decodes again to the same item, also with its image cut out as the store keeps it.
// The summary read of the same bytes never fails where decoding succeeds, and then gives the
// decoded item's kind, bounded preview and sizes.
#include "clipboard/ItemEncoding.h"
#include "store/StoredItem.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype limit = size > 0 ? data[size - 1] % 40 : 0;
    const auto summary = ItemEncoding::summarize(input, limit);
    const auto item = ItemEncoding::decode(input);
    if (!item) {
        return 0;
    }
    if (!summary || summary->kind != item->kind ||
        summary->preview != item->boundedPreview(limit) ||
        !(summary->sizes == ItemSummary::sizesOf(*item))) {
        std::abort();
    }
    const auto again = ItemEncoding::decode(ItemEncoding::encode(*item).bytes);
    if (!again || !(*again == *item)) {
        std::abort();
    }
    const StoredItem stored = *StoredItem::from(*item);
    const auto split = StoredItem::decode(stored.head, stored.pngAt, stored.png);
    if (!split || !(*split == *item)) {
        std::abort();
    }
    return 0;
}
