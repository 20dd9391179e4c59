#pragma once

#include "fleet/JobPool.h"
#include "fleet/SiteUpload.h"

#include <QObject>
#include <QPointer>

#include <optional>

// A read the fleet may act on. A reply has no checksum, so a reply that differs from what the
// site is known to hold is read a second time: two identical replies are taken; a second reply
// equal to the expected values means nothing changed (the first was a glitch); two replies that
// differ from each other fail the read. A reply equal to the expected values costs one read.
namespace fleet {

// What the site should hold, for each layout it may answer with; nothing: no expectation, so
// any first reply is read again.
struct ExpectedValues
{
    std::optional<Values> day;
    std::optional<Values> night;

    const std::optional<Values>& of(lnk::Layout layout) const
    {
        return layout == lnk::Layout::Day ? day : night;
    }
    static ExpectedValues ofVersion(const std::optional<Version>& version);
    static ExpectedValues ofVersions(const std::optional<Version>& day,
                                     const std::optional<Version>& night);
};

// "replies differ (3 values)"
QString repliesDifferText(int values);

// The members two replies disagree on; a reply of another layout disagrees on all of them.
int replyDifferences(const LiveValues& a, const LiveValues& b);

class ConfirmedRead : public QObject
{
    Q_OBJECT

public:
    // first: a first reply already read (its second read is what remains).
    ConfirmedRead(QString port, LinkSetup link, ExpectedValues expected,
                  std::optional<LiveValues> first = {}, QObject* parent = nullptr);

    // Instead of waiting for the frame gap before a second read, hand the first reply back with
    // confirmationDue set.
    void handBackBeforeSecondRead() { m_handBack = true; }

    void start();
    int reads() const { return m_reads; }

Q_SIGNALS:
    // ok: values confirmed (or equal to the expected ones); failed: the read's own error, or the
    // replies differ.
    void finished(const fleet::LiveValues& result);

private:
    void read();
    void onRead(const LiveValues& live);
    bool expected(const LiveValues& live) const;

    QString m_port;
    LinkSetup m_link;
    ExpectedValues m_expected;
    QPointer<SiteUpload> m_upload;
    std::optional<LiveValues> m_first;
    int m_reads = 0;
    bool m_handBack = false;
};

// A confirmed read through a pool. A second read, when due, waits for the site's frame gap
// without holding one of the pool's places: a run where every site changed costs about two
// reads a site, not two reads and a gap.
void addConfirmedRead(JobPool& pool, const QString& port, const LinkSetup& link,
                      const ExpectedValues& expected, std::function<void(const LiveValues&)> done);

} // namespace fleet
