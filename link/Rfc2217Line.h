#pragma once

#include "link/ComPortOption.h"
#include "link/NetworkLine.h"
#include "link/Telnet.h"

#include <QSet>

class QTimer;

#include <chrono>

// A port of a network serial server spoken to by Telnet with the COM port option
// (rfc2217://HOST:PORT): each open sets the server's serial side to the exchange's line
// settings and clears its buffers before the first data byte.
namespace lnk {

// From connected to the last answer of the open. The server tried answers within a few
// milliseconds; this leaves room for several round trips over a slow link to a transmitter
// site, and still reports a server that ignores the option long before an operator would.
inline constexpr std::chrono::milliseconds kNegotiationTimeout{2000};

// When the server's DO for the COM port option came and this long plus one connect time passed
// without any answer, the requests are sent once more.
inline constexpr std::chrono::milliseconds kResendAfter{20};

class Rfc2217Line : public NetworkLine
{
    Q_OBJECT

public:
    explicit Rfc2217Line(const NetworkAddress& address, QObject* parent = nullptr);

protected:
    void beginSession() override;
    void receiveWire(const QByteArray& wire) override;
    QByteArray encodeData(const QByteArray& data) const override;
    void openDeadlinePassed() override;

private:
    void handle(const telnet::Event& event);
    void handleAnswer(const rfc2217::Answer& answer);
    void answerOnce(quint8 verb, quint8 option);
    void finishWhenReady();
    QByteArray requests() const;
    void resendRequests();

    QTimer* m_resend;
    telnet::Decoder m_decoder;
    bool m_binaryOut = false; // the server takes binary data from us
    bool m_binaryIn = false;  // the server sends binary data to us
    bool m_comPort = false;
    quint32 m_pending = 0;   // a bit per request code still waiting for its answer
    QSet<quint8> m_answered; // options refused or accepted, so each is answered once
};

} // namespace lnk
