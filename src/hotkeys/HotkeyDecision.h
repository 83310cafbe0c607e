#pragma once

// What one key stroke means: copy into a slot, paste from a slot, open the main window, or
// nothing (let the key through).
struct HotkeyDecision {
    enum class Kind { CopyToSlot, PasteFromSlot, Summon, PassThrough };

    Kind kind = Kind::PassThrough;
    int slot = 0; // for CopyToSlot and PasteFromSlot

    static HotkeyDecision copyToSlot(int n) { return {Kind::CopyToSlot, n}; }
    static HotkeyDecision pasteFromSlot(int n) { return {Kind::PasteFromSlot, n}; }
    static HotkeyDecision summon() { return {Kind::Summon, 0}; }
    static HotkeyDecision passThrough() { return {Kind::PassThrough, 0}; }

    friend bool operator==(const HotkeyDecision& a, const HotkeyDecision& b) {
        const bool hasSlot = a.kind == Kind::CopyToSlot || a.kind == Kind::PasteFromSlot;
        return a.kind == b.kind && (!hasSlot || a.slot == b.slot);
    }
};
