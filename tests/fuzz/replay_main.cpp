// Runs a fuzz target over every file of its corpus folders, for the ordinary test runs.
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char* argv[])
{
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const QDir dir(QString::fromLocal8Bit(argv[i]));
        const auto files = dir.entryInfoList(QDir::Files, QDir::Name);
        for (const QFileInfo& info : files) {
            QFile f(info.filePath());
            if (!f.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(info.filePath()));
                return 1;
            }
            const QByteArray bytes = f.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   static_cast<size_t>(bytes.size()));
            ++inputs;
        }
    }
    if (inputs == 0) {
        std::fprintf(stderr, "no corpus inputs found\n");
        return 1;
    }
    std::printf("%d passed, 0 failed\n", inputs);
    return 0;
}
