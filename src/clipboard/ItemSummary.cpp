#include "ItemSummary.h"

ItemSummary::Sizes ItemSummary::sizesOf(const ClipboardItem& item) {
    Sizes s;
    s.text = item.text ? item.text->size() : -1;
    s.rtf = item.rtf ? item.rtf->size() : -1;
    s.html = item.html ? item.html->size() : -1;
    s.png = item.imagePNG ? item.imagePNG->size() : -1;
    s.files = item.files.size();
    return s;
}
