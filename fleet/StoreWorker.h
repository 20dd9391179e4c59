#pragma once

#include "fleet/Store.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <functional>
#include <memory>

// The store off the caller's thread: a thread of its own with its own connection, for the panel
// (whose window must never wait for a database) and for runs that talk to many processors at
// once. Calls run on that thread one after another, in the order given; each result comes back
// on the caller's thread through the callback, unless the context object is gone by then.
namespace fleet {

class StoreWorker : public QObject
{
    Q_OBJECT

public:
    // place: where the caller runs (Store::setPlace).
    explicit StoreWorker(StoreLocation location, Place place = {}, QObject* parent = nullptr);
    // Waits for the calls already given (their results are no longer delivered), then closes
    // the connection.
    ~StoreWorker() override;

    const StoreLocation& location() const { return m_location; }

    // job runs on the store's thread with its Store; done runs on this object's thread.
    template <typename R>
    void call(QObject* context, std::function<R(Store&)> job, std::function<void(R)> done)
    {
        QPointer<QObject> guard(context);
        post([this, guard, job = std::move(job), done = std::move(done)](Store& store) {
            R result = job(store);
            QMetaObject::invokeMethod(
                this,
                [guard, done, result]() {
                    if (guard) {
                        done(result);
                    }
                },
                Qt::QueuedConnection);
        });
    }

private:
    void post(std::function<void(Store&)> job);

    StoreLocation m_location;
    Place m_place;
    QThread m_thread;
    QObject* m_home = nullptr;      // lives on m_thread; jobs are queued to it
    std::unique_ptr<Store> m_store; // made, used and destroyed on m_thread only
};

} // namespace fleet
