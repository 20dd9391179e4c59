#include "fleet/StoreWorker.h"

namespace fleet {

StoreWorker::StoreWorker(StoreLocation location, Place place, QObject* parent)
    : QObject(parent), m_location(std::move(location)), m_place(std::move(place))
{
    m_thread.setObjectName(QStringLiteral("fleet store"));
    m_home = new QObject;
    m_home->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_home, &QObject::deleteLater);
    m_thread.start();
}

StoreWorker::~StoreWorker()
{
    // The connection is closed on the thread that opened it.
    QMetaObject::invokeMethod(
        m_home, [this] { m_store.reset(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void StoreWorker::post(std::function<void(Store&)> job)
{
    QMetaObject::invokeMethod(
        m_home,
        [this, job = std::move(job)] {
            if (!m_store) {
                m_store = std::make_unique<Store>(m_location);
                m_store->setPlace(m_place);
            }
            job(*m_store);
        },
        Qt::QueuedConnection);
}

} // namespace fleet
