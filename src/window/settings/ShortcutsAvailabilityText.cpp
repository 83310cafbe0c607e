#include "ShortcutsAvailabilityText.h"

#include <algorithm>

namespace {
using Shown = ShortcutsAvailabilityText;

// The entries as GNOME's Settings lists them: the keys, then the name.
QStringList gnomeLines(const QList<GnomeShortcuts::Entry>& entries) {
    qsizetype width = 0;
    for (const GnomeShortcuts::Entry& e : entries) {
        width = std::max(width, e.binding.size());
    }
    QStringList out;
    for (const GnomeShortcuts::Entry& e : entries) {
        out << e.binding.leftJustified(width + 2) + e.name;
    }
    return out;
}

Shown describeGnome(const SessionReport& report, const GnomeShortcuts::Status& status,
                    const QList<GnomeShortcuts::Entry>& entries) {
    using S = GnomeShortcuts::State;
    Shown s;
    s.lines = gnomeLines(entries);
    s.gnomeRemove = status.present > 0;
    s.gnomeAdd = status.present < GnomeShortcuts::entryCount;
    const QString where = QStringLiteral("Settings \u203a Keyboard \u203a Custom Shortcuts");
    switch (status.state) {
    case S::Unknown:
    case S::Checking:
        s.status = QStringLiteral("Reading GNOME's keyboard shortcuts\u2026");
        s.explanation = QStringLiteral("Stashwick is looking for its shortcuts among GNOME's "
                                       "custom keyboard shortcuts.");
        s.lines.clear();
        s.gnomeAdd = s.gnomeRemove = false;
        return s;
    case S::Absent:
        s.status = QStringLiteral("Not in GNOME's keyboard shortcuts yet");
        s.explanation =
            QStringLiteral("GNOME gives programs no global shortcuts of their own here. \"Add to "
                           "GNOME keyboard shortcuts\" puts these 21 into %1, each running the "
                           "stashwick command; your own custom shortcuts stay as they are.")
                .arg(where);
        break;
    case S::Partial:
        s.status = QStringLiteral("Only %1 of the %2 shortcuts are in GNOME's keyboard shortcuts")
                       .arg(status.present)
                       .arg(GnomeShortcuts::entryCount);
        s.explanation = QStringLiteral("Some were removed in %1. Add them again to bring the "
                                       "missing ones back, or remove all of Stashwick's.")
                            .arg(where);
        break;
    case S::Added:
        s.on = true;
        s.status = QStringLiteral("Shortcuts from GNOME's keyboard shortcuts");
        s.explanation = QStringLiteral("GNOME runs the stashwick command for each chord; they are "
                                       "in %1. A chord recorded below changes them there too.")
                            .arg(where);
        break;
    case S::Adding:
    case S::Updating:
    case S::Removing:
    case S::Freeing:
        s.status = status.state == S::Adding     ? QStringLiteral("Adding to GNOME keyboard "
                                                                      "shortcuts\u2026")
                   : status.state == S::Updating ? QStringLiteral("Updating GNOME keyboard "
                                                                  "shortcuts\u2026")
                   : status.state == S::Removing ? QStringLiteral("Removing GNOME keyboard "
                                                                  "shortcuts\u2026")
                                                 : QStringLiteral("Taking the chords off GNOME's "
                                                                  "own shortcuts\u2026");
        s.explanation = QStringLiteral("gsettings is writing GNOME's keyboard shortcuts.");
        break;
    case S::Failed: {
        const S failed = status.failedRequest;
        s.status = failed == S::Adding     ? QStringLiteral("Could not add to GNOME keyboard "
                                                                "shortcuts")
                   : failed == S::Updating ? QStringLiteral("Could not update GNOME keyboard "
                                                            "shortcuts")
                   : failed == S::Removing ? QStringLiteral("Could not remove GNOME keyboard "
                                                            "shortcuts")
                   : failed == S::Freeing  ? QStringLiteral("Could not take the chords off "
                                                             "GNOME's own shortcuts")
                                           : QStringLiteral("Could not read GNOME keyboard "
                                                             "shortcuts");
        s.explanation =
            status.failure.contains(QStringLiteral("No such schema"))
                ? QStringLiteral("%1. GNOME's keyboard settings are not installed here (package "
                                 "gnome-settings-daemon-common).")
                      .arg(status.failure)
                : QStringLiteral("%1. Try again, or add these in %2 by hand.")
                      .arg(status.failure, where);
        s.gnomeAdd = true;
        break;
    }
    }
    if (!report.keystrokesWork()) {
        s.explanation += QStringLiteral(" Until GNOME lets Stashwick press keys, a copy chord "
                                        "saves what is already on the clipboard and a paste "
                                        "chord puts the slot on the clipboard for you to paste.");
        if (!report.offReason.isEmpty()) {
            s.explanation += QStringLiteral(" Keys: %1.").arg(report.offReason);
        }
    }
    return s;
}

// GNOME's own shortcuts on our chords, named the way GNOME's settings keep them.
QString clashText(const QList<GnomeShortcuts::Clash>& clashes) {
    constexpr qsizetype named = 3;
    QStringList some;
    for (qsizetype i = 0; i < std::min(named, clashes.size()); ++i) {
        some << QStringLiteral("%1 (%2)").arg(clashes[i].binding, clashes[i].key);
    }
    QString list = some.join(QStringLiteral(", "));
    if (clashes.size() > named) {
        list += QStringLiteral(" and %1 more").arg(clashes.size() - named);
    }
    return QStringLiteral("GNOME keeps %1 of these chords for its own shortcuts, so they never "
                          "reach Stashwick: %2. \"Give these keys to Stashwick\" takes them off "
                          "GNOME's shortcuts (their other keys stay); or record other chords "
                          "below.")
        .arg(clashes.size())
        .arg(list);
}

Shown describe(const SessionReport& report, bool available, const QStringList& bindings,
               const GnomeShortcuts::Status* gnome, const QList<GnomeShortcuts::Entry>& entries) {
    using C = SessionReport::Chords;
    if (report.chords == C::GnomeShortcuts && gnome) {
        return describeGnome(report, *gnome, entries);
    }
    Shown s;
    s.on = available;
    if (report.chords == C::Waiting) {
        s.status = QStringLiteral("Asking the desktop for shortcuts\u2026");
        s.explanation = QStringLiteral("Stashwick is waiting for the desktop's global-shortcuts "
                                       "service to answer.");
        return s;
    }
    if (!available) {
        s.status = QStringLiteral("Shortcuts unavailable");
        s.explanation =
            report.offReason.isEmpty()
                ? QStringLiteral("Global shortcuts need an X11 session with XTEST, or a Wayland "
                                 "compositor that lets programs press keys.")
                : QStringLiteral("Shortcuts are off: %1. The slots, the history and everything "
                                 "else work.")
                      .arg(report.offReason);
        return s;
    }
    switch (report.chords) {
    case C::DesktopShortcuts:
        s.status = QStringLiteral("Shortcuts from your desktop");
        s.explanation = QStringLiteral("Your desktop's shortcut settings give the chords; change "
                                       "them there. The keys it assigned:");
        for (const auto& [description, trigger] : report.assignedTriggers) {
            s.lines << QStringLiteral("%1: %2").arg(
                description, trigger.isEmpty() ? QStringLiteral("not assigned") : trigger);
        }
        break;
    case C::CompositorBindings: {
        const bool hyprland = report.bindingsFlavour == u"hyprland";
        s.status = QStringLiteral("Shortcuts from your compositor's key bindings");
        s.explanation =
            hyprland ? QStringLiteral("Hyprland offers no shortcut service here: add these lines "
                                      "to ~/.config/hypr/hyprland.conf. Each runs the stashwick "
                                      "command with the chord's action.")
                     : QStringLiteral("This compositor offers no shortcut service: add these "
                                      "lines to ~/.config/sway/config and reload it (swaymsg "
                                      "reload). Each runs the stashwick command with the chord's "
                                      "action.");
        s.lines = bindings;
        s.copyable = true;
        break;
    }
    case C::GnomeShortcuts:
        s.status = QStringLiteral("Shortcuts from GNOME's keyboard shortcuts");
        s.explanation = QStringLiteral("GNOME's custom keyboard shortcuts run the stashwick "
                                       "command for each chord.");
        break;
    default:
        s.status = QStringLiteral("Shortcuts available");
        s.explanation = QStringLiteral("Stashwick takes the global shortcuts and presses copy and "
                                       "paste in other apps through the X11 session (XTEST).");
        break;
    }
    return s;
}

} // namespace

ShortcutsAvailabilityText
ShortcutsAvailabilityText::of(const SessionReport& report, bool available,
                              const QStringList& bindings, const GnomeShortcuts::Status* gnome,
                              const QList<GnomeShortcuts::Entry>& entries,
                              const QList<GnomeShortcuts::Clash>& clashes) {
    Shown s = describe(report, available, bindings, gnome, entries);
    if (!clashes.isEmpty()) {
        s.clash = clashText(clashes);
        s.gnomeFree = true;
    }
    return s;
}
