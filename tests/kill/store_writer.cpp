// Writes slots and history into a store file in an endless loop and reports each change on
// stdout only after its save returned. The kill-safety test kills this process at random
// points and then checks that every reported change survived.
#include "core/SystemClock.h"
#include "store/SlotStore.h"
#include "store/StoreContainer.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: store_writer STORE FIRST\n");
        return 2;
    }
    QString error;
    auto container = StoreContainer::make(false, QString::fromLocal8Bit(argv[1]), &error);
    if (!container) {
        std::fprintf(stderr, "open failed: %s\n", qPrintable(error));
        return 1;
    }
    SystemClock clock;
    SlotStore slots(*container, clock);
    for (long long i = std::atoll(argv[2]);; ++i) {
        const int before = slots.revision();
        slots.setItem(ClipboardItem::makeText(QStringLiteral("slot %1").arg(i)),
                      static_cast<int>(i % 10));
        if (slots.revision() != before) {
            std::printf("S %lld\n", i);
        }
        slots.addHistory(ClipboardItem::makeText(QStringLiteral("history %1").arg(i)));
        std::printf("H %lld\n", i);
        std::fflush(stdout);
    }
}
