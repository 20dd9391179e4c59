#pragma once

#include "link/SerialLine.h"

#include <QList>

// An in-memory serial line: records what each exchange wrote and hands back a scripted reply.
// Waits return at once with what is there: no test sleeps on it.
class MemoryLine : public lnk::SerialLine
{
public:
    struct Exchange
    {
        int portNo = 0;
        QString settings;
        QByteArray written;
        bool closed = false;
    };

    struct Wait
    {
        int count = 0;
        std::chrono::milliseconds timeout{0};
    };

    void setPort(int portNo) override { m_portNo = portNo; }
    void setSettings(const QString& settings) override { m_settings = settings; }
    bool open() override
    {
        ++openAttempts;
        m_fault = lnk::LineFault::None;
        if (failOpen) {
            m_fault = lnk::LineFault::PortMissing;
            return false;
        }
        m_open = true;
        exchanges.append({m_portNo, m_settings, {}, false});
        m_input = nextReply;
        return true;
    }
    bool isOpen() const override { return m_open; }
    bool writeByte(quint8 byte) override
    {
        if (!m_open || failWrite ||
            (failWriteAt >= 0 && exchanges.last().written.size() >= failWriteAt)) {
            return refuse(lnk::LineFault::WriteRefused);
        }
        exchanges.last().written.append(static_cast<char>(byte));
        return true;
    }
    int bytesWaiting() override
    {
        if (failRead) {
            refuse(lnk::LineFault::ReadRefused);
            return -1;
        }
        return static_cast<int>(m_input.size());
    }
    QByteArray readAllWaiting() override
    {
        if (failRead) {
            refuse(lnk::LineFault::ReadRefused);
            return {};
        }
        QByteArray out = m_input;
        m_input.clear();
        return out;
    }
    int waitForBytes(int count, std::chrono::milliseconds timeout,
                     const std::function<void()>& idle) override
    {
        waits.append({count, timeout});
        if (idle) {
            idle();
        }
        if (failWait) {
            refuse(lnk::LineFault::DeviceGone);
            return -1;
        }
        return static_cast<int>(m_input.size());
    }
    bool close() override
    {
        const bool wasOpen = m_open;
        if (m_open && !exchanges.isEmpty()) {
            exchanges.last().closed = true;
        }
        m_open = false;
        if (wasOpen && failClose) {
            return refuse(lnk::LineFault::DrainTimeout);
        }
        return true;
    }
    lnk::LineFault fault() const override { return m_fault; }
    QString lastError() const override
    {
        return m_fault == lnk::LineFault::None ? QString() : QStringLiteral("Scripted failure");
    }

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
    int failWriteAt = -1; // the write with this index (from 0) in an exchange is refused
    bool failRead = false;
    bool failWait = false;
    bool failClose = false;
    QByteArray nextReply; // what waits after the next open
    int openAttempts = 0;
    QList<Exchange> exchanges;
    QList<Wait> waits;

private:
    bool refuse(lnk::LineFault f)
    {
        if (m_fault == lnk::LineFault::None) {
            m_fault = f;
        }
        return false;
    }

    int m_portNo = 0;
    QString m_settings;
    QByteArray m_input;
    bool m_open = false;
    lnk::LineFault m_fault = lnk::LineFault::None;
};
