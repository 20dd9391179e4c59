#pragma once

#include "link/Line.h"

#include <QList>
#include <QTimer>

#include <chrono>

// An in-memory line and its own provider: records what each exchange wrote and hands back a
// scripted reply. Every step answers from the event loop at once, so no test waits on it longer
// than the exchange's own timers.
class MemoryLine : public lnk::Line, public lnk::LineProvider
{
public:
    struct Exchange
    {
        int portNo = 0;
        QString port; // the port's name: COM3, or the address
        QString settings;
        QByteArray written;
        bool closed = false;
        std::chrono::steady_clock::time_point openedAt;
        std::chrono::steady_clock::time_point closedAt;
    };

    lnk::Line& lineFor(const lnk::PortRef& port) override
    {
        m_port = port;
        return *this;
    }

    QString target() const override { return QStringLiteral("memory:") + m_port.name(); }

    void open(const lnk::LineSettings& settings) override
    {
        ++openAttempts;
        if (failOpen) {
            later([this] { Q_EMIT openFailed(lnk::LineFault::PortMissing, kScripted); });
            return;
        }
        m_open = true;
        exchanges.append({m_port.number,
                          m_port.name(),
                          settings.text(),
                          {},
                          false,
                          std::chrono::steady_clock::now(),
                          {}});
        // A line that fails on the receive side hands out nothing before it fails.
        const bool receives = !failRead && !failWait;
        m_input = waitingAtOpen;
        m_reply = receives ? nextReply : QByteArray();
        m_batches = receives ? replyBatches : QList<QByteArray>();
        m_chatter = chatter;
        if (m_chatter > 0) {
            chat();
        }
        later([this] { Q_EMIT opened(); });
    }
    bool isOpen() const override { return m_open; }

    void write(const QByteArray& bytes) override
    {
        if (!m_open) {
            return;
        }
        const qsizetype before = exchanges.last().written.size();
        if (failWrite || (failWriteAt >= 0 && before + bytes.size() > failWriteAt)) {
            fail(lnk::LineFault::WriteRefused);
            return;
        }
        exchanges.last().written += bytes;
        Q_EMIT bytesWritten(bytes.size());
        if (before == 0) {
            answer();
        }
    }

    qint64 bytesAvailable() const override { return m_input.size(); }
    QByteArray readAll() override { return std::exchange(m_input, {}); }

    void close() override
    {
        const bool wasOpen = m_open;
        closeNow();
        const lnk::LineFault fault =
            wasOpen && failClose ? lnk::LineFault::DrainTimeout : lnk::LineFault::None;
        later([this, fault] {
            Q_EMIT closed(fault, fault == lnk::LineFault::None ? QString() : kScripted);
        });
    }
    void abort() override { closeNow(); }

    // Every byte written over all exchanges, in order.
    QByteArray allWritten() const
    {
        QByteArray all;
        for (const Exchange& e : exchanges) {
            all += e.written;
        }
        return all;
    }

    bool failOpen = false;
    bool failWrite = false;
    int failWriteAt = -1;  // the byte with this index (from 0) in an exchange is refused
    bool failRead = false; // the receive side fails once the first byte is out
    bool failWait = false; // the device goes away once the first byte is out
    bool failClose = false;
    QByteArray waitingAtOpen;       // waits in the input once the port is open
    QByteArray nextReply;           // waits once the first byte is written
    int chatter = 0;                // bytes the line hands in on its own, kChatterEvery apart
    QList<QByteArray> replyBatches; // then arrive one after another, kBatchEvery apart
    int openAttempts = 0;
    QList<Exchange> exchanges;

    static constexpr std::chrono::milliseconds kBatchEvery{5};
    static constexpr std::chrono::milliseconds kChatterEvery{8};

private:
    inline static const QString kScripted = QStringLiteral("Scripted failure");

    template <typename F> void later(F f) { QTimer::singleShot(0, this, f); }

    void answer()
    {
        if (failRead || failWait) {
            const lnk::LineFault f =
                failRead ? lnk::LineFault::ReadRefused : lnk::LineFault::DeviceGone;
            later([this, f] {
                if (m_open) {
                    fail(f);
                }
            });
            return;
        }
        m_input += std::exchange(m_reply, {});
        if (!m_input.isEmpty()) {
            later([this] { Q_EMIT received(); });
        }
        deliverBatch();
    }

    // A line that keeps talking (a chatty serial server, a reply still on its way from an
    // earlier request): one byte 0x07 every 8 ms while open, as many as asked for.
    void chat()
    {
        QTimer::singleShot(kChatterEvery, this, [this] {
            if (!m_open || m_chatter <= 0) {
                return;
            }
            --m_chatter;
            m_input += char(0x07);
            Q_EMIT received();
            chat();
        });
    }

    void deliverBatch()
    {
        if (m_batches.isEmpty()) {
            return;
        }
        QTimer::singleShot(kBatchEvery, this, [this] {
            if (!m_open || m_batches.isEmpty()) {
                return;
            }
            m_input += m_batches.takeFirst();
            Q_EMIT received();
            deliverBatch();
        });
    }

    void fail(lnk::LineFault f)
    {
        closeNow();
        Q_EMIT failed(f, kScripted);
    }

    void closeNow()
    {
        if (m_open && !exchanges.isEmpty()) {
            exchanges.last().closed = true;
            exchanges.last().closedAt = std::chrono::steady_clock::now();
        }
        m_open = false;
        m_input.clear();
        m_batches.clear();
    }

    lnk::PortRef m_port;
    QByteArray m_input;
    QByteArray m_reply;
    QList<QByteArray> m_batches;
    int m_chatter = 0;
    bool m_open = false;
};
