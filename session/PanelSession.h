#pragma once

#include "link/Exchange.h"
#include "link/PortListing.h"
#include "model/ParameterSet.h"
#include "presets/FactorySounds.h"
#include "session/LineLog.h"
#include "session/ProcessorChannel.h"
#include "storage/FileError.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>

// The panel's state and its operations, without a window: the parameter set, the port, the data
// folder and its files, the exchanges with the processor and the text export. The panel, the
// command-line tool and the tests drive it; it reports through signals and typed results and
// never asks anybody anything.
namespace session {

struct SessionEnvironment
{
    QString programDir;                 // the executable's folder
    QString dataDir;                    // empty: chosen from the program folder
    lnk::LineProvider* lines = nullptr; // null: the real ports reached from the data folder
    QString exportPath;                 // empty: the platform's place for the text export
};

// What an exchange does with its outcome.
enum class ReplyUse
{
    Apply,      // an accepted upload goes onto the panel
    ReportOnly, // the reply is only reported (compare)
};

class PanelSession : public QObject
{
    Q_OBJECT

public:
    explicit PanelSession(SessionEnvironment env, QObject* parent = nullptr);
    ~PanelSession() override;

    model::ParameterSet& params() { return m_params; }
    const model::ParameterSet& params() const { return m_params; }

    // The port number, 0..lnk::kMaxPortNo; 1 is the first serial port of the system.
    int portNo() const { return m_portNo; }
    void setPortNo(int portNo);
    // An address used instead of the port number (a device path, tcp://, rfc2217://).
    void setPortAddress(const QString& address);
    lnk::PortRef port() const;

    // Where the working file, the settings file and the preset files live.
    QString dataDir() const { return m_dataDir; }
    QString workingFilePath() const;
    QString settingsFilePath() const;
    QString presetFilePath(int n) const;
    QString exportFilePath() const;

    // The settings file: the port number, 1 when the file cannot be read.
    void readSettings();
    std::optional<storage::FileError> writeSettings() const;

    // A parameter file into the panel, field by field; on failure the fields before it stay.
    std::optional<storage::FileError> readParameterFile(const QString& path);

    // The working file at start-up. One that is there but does not load is set aside (renamed to
    // the first free actual.DAB.bak, .bak.1, ...), so the panel written at close never replaces
    // the only copy of the operator's settings.
    struct WorkingFileLoad
    {
        std::optional<storage::FileError> error;         // the reader's failure
        QString setAsideAs;                              // where a damaged file went
        std::optional<storage::FileError> setAsideError; // why it could not go: it stays
    };
    WorkingFileLoad loadWorkingFile();
    // The panel into a parameter file, all at once or not at all.
    std::optional<storage::FileError> writeParameterFile(const QString& path);
    std::optional<storage::FileError> exportText() const;
    // A parameter file's values, the panel untouched (a comparison).
    storage::FileResult<model::ParameterSet::Values> peekParameterFile(const QString& path) const;
    // A text of the operator's choosing (a saved log), all at once or not at all.
    std::optional<storage::FileError> writeTextFile(const QString& path,
                                                    const QByteArray& bytes) const;

    // A factory sound replaces the panel's values, through the change rules.
    void applySound(presets::Sound sound);

    // The exchanges. Each waits for the one before it and for the frame gap; the panel's values
    // are read when the exchange starts.
    void sendDay();
    void sendNight();
    void uploadDay(std::chrono::milliseconds wait = lnk::kDayUploadWait);
    void uploadNight();
    // One request, the reply taken by its length: 42 or more bytes the day layout, exactly 25
    // the night layout.
    void upload(ReplyUse use);
    void command(lnk::Command command);

    // Puts an accepted reply onto the panel, as an upload does.
    void applyReply(lnk::Layout layout, const QByteArray& reply);

    bool busy() const { return m_channel.busy(); }
    // The progress bar's value, 0..23.
    int progress() const { return m_progress; }

    // Every exchange of the run, and line.log in the data folder.
    LineLog& lineLog() { return m_channel.lineLog(); }
    // The way to the processor the panel's exchanges take.
    ProcessorChannel& channel() { return m_channel; }

    // What the port numbers reach from the data folder: map entries, ports/ links, system ports.
    lnk::PortListing portListing() const;
    // The address ports.ini gives a port number, if any.
    std::optional<QString> mappedAddress(int portNo) const;
    // Sets (an empty address: removes) a port number's entry in ports.ini; the error text when
    // the address is refused or the file is unusable or cannot be written.
    std::optional<QString> saveMappedAddress(int portNo, const QString& address) const;

Q_SIGNALS:
    void busyChanged(bool busy);
    void progressChanged(int value);
    // After an accepted upload has been applied (ReplyUse::Apply).
    void exchangeFinished(const lnk::ExchangeResult& result);
    void parametersChanged(model::Member member, int value);

private:
    void enqueueUse(ReplyUse use);
    void onStarted(lnk::ExchangeKind kind);
    void onFinished(const ChannelResult& result);
    void setProgress(int value);

    SessionEnvironment m_env;
    QString m_dataDir;
    model::ParameterSet m_params;
    int m_portNo = 1;
    ProcessorChannel m_channel;
    std::deque<ReplyUse> m_uses; // of the exchanges queued on the channel, in their order
    int m_progressBefore = 0;
    int m_progress = 0;

    // A damaged working file that could not be set aside at start-up: it is tried again before
    // the panel is written over it, and left alone if it still cannot go.
    bool m_damagedWorkingFileInPlace = false;
};

} // namespace session
