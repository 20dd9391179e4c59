#pragma once

// Frames and replies written out byte by byte, shared by the simulator's tests.

#include <QByteArray>

#include <initializer_list>

inline QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (const int v : list) {
        b.append(static_cast<char>(v));
    }
    return b;
}

inline QByteArray zeros(int n)
{
    return QByteArray(n, '\0');
}

// Every position distinct: gate..mclipdrive 1..23 in frame order, Space and Daynight set,
// chkTurbo 1, MSlimit..LUFSOffset 30..34.
inline QByteArray distinctDayFrame()
{
    return bytes({126, 1,  2,  3,  4,  5,  6,  7,  8,  9,  10,  11, 12, 13,
                  14,  15, 16, 17, 18, 19, 20, 21, 22, 23, 255, 0,  0,  255,
                  0,   1,  30, 31, 32, 33, 34, 0,  0,  0,  0,   0,  0,  0});
}

// The day reply of that frame: one position earlier up to Daynight, then chkTurbo..LUFSOffset
// at the frame's offsets.
inline QByteArray distinctDayReply()
{
    return bytes({1,  2,  3,   4, 5, 6,   7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                  22, 23, 255, 0, 0, 255, 0, 0, 1, 30, 31, 32, 33, 34, 0,  0,  0,  0,  0,  0,  0});
}

// gate..mclipdrive 11..33, Space and Daynight set.
inline QByteArray distinctNightFrame()
{
    return bytes({126, 11, 12, 13, 14, 15, 16, 17,  18, 19,  20, 21, 22, 23, 24, 25, 26,
                  27,  28, 29, 30, 31, 32, 33, 255, 0,  255, 0,  0,  0,  0,  0,  0});
}

inline QByteArray distinctNightReply()
{
    return bytes({11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,  22, 23,
                  24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 255, 0});
}
