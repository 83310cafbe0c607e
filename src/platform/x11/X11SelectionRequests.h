#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QObject>
#include <functional>
#include <memory>

// Tells when another program asks Qt's connection for our content of one X11 selection
// ("CLIPBOARD", "PRIMARY"): `served(false)` as a request for one of its types (MULTIPLE
// included; TARGETS and TIMESTAMP are bookkeeping) reaches Qt, `served(true)` once Qt has
// handled it (on the next turn of the loop: Qt answers within its handling, an incremental
// transfer of content over its request size goes on from there). Only while Qt runs on X11.
class X11SelectionRequests final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Null where Qt does not run on X11.
    static std::unique_ptr<X11SelectionRequests> forQtDisplay(const QByteArray& selection,
                                                              std::function<void(bool)> served);
    ~X11SelectionRequests() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    X11SelectionRequests(quint32 selection, quint32 targets, quint32 timestamp,
                         std::function<void(bool)> served);

    quint32 m_selection;
    quint32 m_targets;
    quint32 m_timestamp;
    std::function<void(bool)> m_served;
};
