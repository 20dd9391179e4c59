#pragma once

#include <QString>

// Text that came from outside (a ports.ini entry, a ports file, a server's greeting) goes into
// messages and onto terminals: a control character in it could move the cursor or retitle the
// terminal, so each is shown as \xNN instead.
namespace lnk {

QString printable(const QString& text);

} // namespace lnk
