#pragma once

#include "clipboard/Pasteboard.h"

#include <QList>
#include <QObject>

class DataControlDevice;
struct zwlr_data_control_source_v1;

// A selection of ours: the types it offers and their bytes, in memory. Each paste of it (a
// `send` from the compositor) is handed to the device, which serves it through a
// DataControlTransfer. Once another selection replaces it (`cancelled`), it lets its proxy go,
// says `cancelled` and deletes itself; pastes still running keep their bytes.
class DataControlSource final : public QObject {
    Q_OBJECT
public:
    // Takes `proxy` and offers every type of `offered` on it, in order.
    DataControlSource(DataControlDevice& device, zwlr_data_control_source_v1* proxy,
                      QList<Pasteboard::Flavour> offered);
    ~DataControlSource() override;
    DataControlSource(const DataControlSource&) = delete;
    DataControlSource& operator=(const DataControlSource&) = delete;

    zwlr_data_control_source_v1* proxy() const { return m_proxy; }

Q_SIGNALS:
    void cancelled();

private:
    static void onSend(void* data, zwlr_data_control_source_v1* source, const char* mimeType,
                       int32_t fd);
    static void onCancelled(void* data, zwlr_data_control_source_v1* source);
    void release();

    DataControlDevice& m_device;
    zwlr_data_control_source_v1* m_proxy = nullptr;
    QList<Pasteboard::Flavour> m_offered;
};
