#pragma once

#include <QString>

#include <optional>

// A port on a network serial server: tcp://HOST:PORT (the bytes as they are) or
// rfc2217://HOST:PORT (Telnet with the COM port option). HOST is a name, an IPv4 address or an
// IPv6 address in brackets.
namespace lnk {

enum class NetworkScheme
{
    Tcp,
    Rfc2217,
};

struct NetworkAddress
{
    NetworkScheme scheme = NetworkScheme::Tcp;
    QString host; // a lower-case name, or an address as the system writes it (IPv6 unbracketed)
    quint16 port = 0;

    // The address written the one way this program writes it: "rfc2217://[::1]:4001".
    QString text() const;

    bool operator==(const NetworkAddress&) const = default;
};

struct ParsedAddress
{
    std::optional<NetworkAddress> address;
    QString error; // says what is wrong and quotes the address; empty when address is set
};

// True when the text names a scheme ("xxx://"), so it is meant as a network address rather
// than a device path, even if it turns out malformed.
bool hasNetworkScheme(const QString& text);

ParsedAddress parseNetworkAddress(const QString& text);

} // namespace lnk
