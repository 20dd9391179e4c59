#include "fleet/StoreWorker.h"

#include <atomic>
#include <vector>

namespace fleet {
namespace {

std::atomic<int> s_abandoned{0};

// What abandoned workers leave behind stays reachable, as it is meant to: the program ends with
// it (a leak checker would otherwise count it).
std::vector<QObject*>& leftBehind()
{
    static auto* left = new std::vector<QObject*>;
    return *left;
}

} // namespace

// The store's side: made, used and destroyed on the store's thread only.
struct StoreWorker::Home : QObject
{
    Home(StoreLocation l, Place p) : location(std::move(l)), place(std::move(p)) {}

    StoreLocation location;
    Place place;
    std::unique_ptr<Store> store;
};

StoreWorker::StoreWorker(StoreLocation location, Place place, QObject* parent)
    : QObject(parent), m_location(location)
{
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("fleet store"));
    m_home = new Home(std::move(location), std::move(place));
    m_home->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_home, &QObject::deleteLater);
    m_front = new QObject;
    m_thread->start();
}

StoreWorker::~StoreWorker()
{
    // The connection is closed on the thread that opened it, after the calls already given.
    Home* home = m_home;
    QMetaObject::invokeMethod(
        home, [home] { home->store.reset(); }, Qt::QueuedConnection);
    m_thread->quit();
    if (m_thread->wait(QDeadlineTimer(kStoreCloseLimit))) {
        delete m_thread;
        delete m_front; // with it the results nobody waits for any more
        return;
    }
    // Still inside the store: its thread, its home and the results' receiver stay, unused.
    m_front->setProperty(kClosed, true);
    leftBehind().insert(leftBehind().end(), {m_thread, m_home, m_front});
    ++s_abandoned;
}

int StoreWorker::abandoned()
{
    return s_abandoned.load();
}

void StoreWorker::post(std::function<void(Store&)> job)
{
    Home* home = m_home;
    QMetaObject::invokeMethod(
        home,
        [home, job = std::move(job)] {
            if (!home->store) {
                home->store = std::make_unique<Store>(home->location);
                home->store->setPlace(home->place);
            }
            job(*home->store);
        },
        Qt::QueuedConnection);
}

} // namespace fleet
