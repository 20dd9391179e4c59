#pragma once

#include "fleet/Store.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <chrono>
#include <functional>
#include <memory>

// The store off the caller's thread: a thread of its own with its own connection, for the panel
// (whose window must never wait for a database) and for runs that talk to many processors at
// once. Calls run on that thread one after another, in the order given; each result comes back
// on the caller's thread through the callback, unless the context object is gone by then.
namespace fleet {

// How long closing waits for the store's thread: a store that does not answer (a server gone
// silent, a lock held elsewhere) must not hold a quitting program.
inline constexpr std::chrono::milliseconds kStoreCloseLimit{2000};

class StoreWorker : public QObject
{
    Q_OBJECT

public:
    // place: where the caller runs (Store::setPlace).
    explicit StoreWorker(StoreLocation location, Place place = {}, QObject* parent = nullptr);
    // Waits up to kStoreCloseLimit for the calls already given (their results are no longer
    // delivered), then closes the connection. A thread still inside the store by then is left
    // to it; the program should then end without tearing down the database layer (abandoned()).
    ~StoreWorker() override;

    const StoreLocation& location() const { return m_location; }

    // Store threads left running by closed workers in this process.
    static int abandoned();

    // job runs on the store's thread with its Store; done runs on this object's thread.
    template <typename R>
    void call(QObject* context, std::function<R(Store&)> job, std::function<void(R)> done)
    {
        QPointer<QObject> guard(context);
        QObject* front = m_front;
        post([front, guard, job = std::move(job), done = std::move(done)](Store& store) {
            R result = job(store);
            QMetaObject::invokeMethod(
                front,
                [front, guard, done, result]() {
                    if (guard && !front->property(kClosed).toBool()) {
                        done(result);
                    }
                },
                Qt::QueuedConnection);
        });
    }

private:
    static constexpr char kClosed[] = "closed"; // on m_front: deliver nothing more
    struct Home;
    void post(std::function<void(Store&)> job);

    StoreLocation m_location;
    // Outlive this object when its thread is abandoned: queued jobs still use them.
    QThread* m_thread = nullptr;
    Home* m_home = nullptr;     // lives on m_thread; jobs are queued to it and use its Store
    QObject* m_front = nullptr; // lives on the caller's thread; results are queued to it
};

} // namespace fleet
