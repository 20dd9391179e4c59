#pragma once

#include "link/SerialLine.h"

#include <QList>

// An in-memory serial line: records what each exchange wrote and hands back a scripted reply.
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

    void setPort(int portNo) override { m_portNo = portNo; }
    void setSettings(const QString& settings) override { m_settings = settings; }
    bool open() override
    {
        ++openAttempts;
        if (failOpen) {
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
        if (!m_open || failWrite) {
            return false;
        }
        exchanges.last().written.append(static_cast<char>(byte));
        return true;
    }
    int bytesWaiting() override { return static_cast<int>(m_input.size()); }
    QByteArray readAllWaiting() override
    {
        QByteArray out = m_input;
        m_input.clear();
        return out;
    }
    int waitForBytes(int, std::chrono::milliseconds) override
    {
        return failWait ? -1 : static_cast<int>(m_input.size());
    }
    bool close() override
    {
        if (m_open && !exchanges.isEmpty()) {
            exchanges.last().closed = true;
        }
        m_open = false;
        return true;
    }
    QString lastError() const override
    {
        return failOpen ? QStringLiteral("No such port") : QString();
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
    bool failWait = false;
    QByteArray nextReply; // what waits after the next open
    int openAttempts = 0;
    QList<Exchange> exchanges;

private:
    int m_portNo = 0;
    QString m_settings;
    QByteArray m_input;
    bool m_open = false;
};
