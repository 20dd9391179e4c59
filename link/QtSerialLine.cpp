#include "link/QtSerialLine.h"

#include <QSerialPort>

namespace lnk {

// PLACEHOLDER until the serial layer lands: every open fails.
QtSerialLine::QtSerialLine(const QString& programDir) : m_programDir(programDir) {}
QtSerialLine::~QtSerialLine() = default;
void QtSerialLine::setPort(int portNo)
{
    m_portNo = portNo;
}
void QtSerialLine::setSettings(const QString& settings)
{
    m_settings = settings;
}
bool QtSerialLine::open()
{
    return false;
}
bool QtSerialLine::isOpen() const
{
    return false;
}
bool QtSerialLine::writeByte(quint8)
{
    return false;
}
int QtSerialLine::bytesWaiting()
{
    return 0;
}
QByteArray QtSerialLine::readAllWaiting()
{
    return {};
}
int QtSerialLine::waitForBytes(int, std::chrono::milliseconds)
{
    return -1;
}
bool QtSerialLine::close()
{
    return true;
}
QString QtSerialLine::lastError() const
{
    return m_lastError;
}

} // namespace lnk
