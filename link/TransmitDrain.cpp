#include "link/TransmitDrain.h"

#include <QMetaObject>

namespace lnk {

TransmitDrain::TransmitDrain(qintptr handle, QObject* parent) : QObject(parent), m_handle(handle) {}

TransmitDrain::~TransmitDrain()
{
    cancel();
}

void TransmitDrain::start()
{
    if (isRunning()) {
        return;
    }
    m_cancelled = false;
    m_thread = std::thread([this, handle = m_handle] {
        const DrainOutcome outcome = waitTransmitQueueEmpty(handle);
        // Delivered on the event loop, and dropped with the object: its destructor joins this
        // thread first. A cancelled drain reports nothing.
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                if (m_cancelled) {
                    return;
                }
                join();
                Q_EMIT finished(outcome.fault, outcome.detail);
            },
            Qt::QueuedConnection);
    });
}

void TransmitDrain::cancel()
{
    if (!isRunning()) {
        return;
    }
    m_cancelled = true;
    discardTransmitQueue(m_handle);
    join();
}

void TransmitDrain::join()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

} // namespace lnk
