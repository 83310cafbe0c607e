#pragma once

#include "clipboard/FakeClipboard.h"
#include "core/ManualClock.h"
#include "store/ClipboardService.h"
#include "store/SlotStore.h"
#include "store/StatsService.h"
#include "store/StoreContainer.h"

#include <memory>

// The stores over one in-memory database, with a manual clock: slots and history, statistics,
// and the clipboard service over a fake clipboard.
struct StoreStack {
    ManualClock clock;
    FakeClipboard clipboard;
    std::unique_ptr<StoreContainer> container = StoreContainer::make(true, std::nullopt, nullptr);
    SlotStore slots{*container, clock};
    StatsService stats{*container, clock};
    ClipboardService service{clipboard, slots, stats};
};
