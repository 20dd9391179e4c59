// Where a deploy's values come from, and how its outcomes are worded.
#include "fleet/Deploy.h"

#include "link/Printable.h"
#include "session/OutputFile.h"

#include <QFileInfo>

#include <algorithm>

namespace fleet {

std::optional<DeploySource> parseDeploySource(const QString& text, QString* error)
{
    DeploySource s;
    s.text = text;
    if (text.isEmpty()) {
        *error = QStringLiteral("SOURCE is empty; give a parameter file, SITE:VERSION or "
                                "SITE:reference");
        return std::nullopt;
    }
    // A file first: a path that exists, or one that says it is a path, is never a site.
    if (text.startsWith(QLatin1String("./")) || text.startsWith(QLatin1Char('/')) ||
        QFileInfo::exists(text)) {
        s.kind = DeploySource::Kind::File;
        s.path = text;
        return s;
    }
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) {
        *error = QStringLiteral("%1: no such file (SOURCE is a parameter file, SITE:VERSION or "
                                "SITE:reference)")
                     .arg(lnk::printable(text));
        return std::nullopt;
    }
    s.site = text.left(colon);
    const QString which = text.mid(colon + 1);
    if (which == QLatin1String("reference")) {
        s.kind = DeploySource::Kind::Reference;
        return s;
    }
    bool ok = false;
    s.version = which.toInt(&ok);
    if (!ok || s.version < 1 || which.startsWith(QLatin1Char('+'))) {
        *error = QStringLiteral("%1: no such file, and %2 is not a version number or "
                                "\"reference\"")
                     .arg(lnk::printable(text), lnk::printable(which));
        return std::nullopt;
    }
    s.kind = DeploySource::Kind::Version;
    return s;
}

session::CarriedValues SourceValues::carried() const
{
    return layout ? session::CarriedValues::ofLayout(*layout, values)
                  : session::CarriedValues::ofFile(values);
}

SourceValues readSource(Store& store, const DeploySource& source, lnk::Layout sent)
{
    SourceValues r;
    switch (source.kind) {
    case DeploySource::Kind::File: {
        const auto read = session::readParameterValues(source.path);
        if (!read.ok()) {
            r.fileError = QStringLiteral("%1: %2").arg(source.path, read.error->description());
            if (read.error->field > 0) {
                r.fileError += QStringLiteral(" (line %1)").arg(read.error->field);
            }
            return r;
        }
        r.values = read.value;
        return r;
    }
    case DeploySource::Kind::Version: {
        const StoreResult<Version> v = store.version(source.site, source.version);
        if ((r.error = v.error)) {
            return r;
        }
        // A version carries only its layout's members: what the other frame needs is not there.
        if (v.value.layout != sent) {
            r.fileError = QStringLiteral("%1 is a %2 version; it can only be sent as the %2 frame")
                              .arg(lnk::printable(source.text), layoutName(v.value.layout));
            return r;
        }
        r.layout = v.value.layout;
        r.values = v.value.values;
        return r;
    }
    case DeploySource::Kind::Reference: {
        const StoreResult<std::optional<Version>> ref = store.reference(source.site, sent);
        if ((r.error = ref.error)) {
            return r;
        }
        if (!ref.value) {
            r.fileError = QStringLiteral("site \"%1\" has no %2 reference")
                              .arg(lnk::printable(source.site), layoutName(sent));
            return r;
        }
        r.layout = sent;
        r.values = ref.value->values;
        return r;
    }
    }
    return r;
}

int DeployPlan::toSend() const
{
    return int(std::count_if(sites.cbegin(), sites.cend(), [](const DeployTarget& t) {
        return t.notSent.isEmpty() && !t.skipped && !t.nothingToRevert;
    }));
}

bool SiteDeploy::ok() const
{
    return outcome == DeployOutcome::Verified && saveError.isEmpty() && recordError.isEmpty();
}

QString outcomeWord(DeployOutcome outcome)
{
    switch (outcome) {
    case DeployOutcome::Verified:
        return QStringLiteral("verified");
    case DeployOutcome::NotVerified:
        return QStringLiteral("not verified");
    case DeployOutcome::OtherBlock:
        return QStringLiteral("not verifiable");
    case DeployOutcome::Failed:
        return QStringLiteral("failed");
    case DeployOutcome::NotSent:
        return QStringLiteral("not sent");
    case DeployOutcome::NothingToRevert:
        return QStringLiteral("nothing to revert to");
    case DeployOutcome::Skipped:
        return QStringLiteral("skipped");
    }
    return {};
}

QString outcomeText(const SiteDeploy& s)
{
    QString text;
    switch (s.outcome) {
    case DeployOutcome::Verified:
        text = QStringLiteral("verified, version %1").arg(s.version);
        break;
    case DeployOutcome::NotVerified:
        text = s.differences == 1
                   ? QStringLiteral("sent, not verified (1 difference)")
                   : QStringLiteral("sent, not verified (%1 differences)").arg(s.differences);
        break;
    case DeployOutcome::OtherBlock:
        text = QStringLiteral("sent, not verifiable now (runs its %1 block)")
                   .arg(layoutName(s.answered));
        break;
    case DeployOutcome::Failed:
        text = QStringLiteral("failed: %1").arg(s.error);
        break;
    case DeployOutcome::NotSent:
        text = QStringLiteral("not sent (%1)").arg(s.error);
        break;
    case DeployOutcome::NothingToRevert:
        text = QStringLiteral("nothing to revert to");
        break;
    case DeployOutcome::Skipped:
        text = QStringLiteral("skipped (%1)").arg(s.error);
        break;
    }
    if (s.saveSent) {
        text += QStringLiteral(", saved");
    } else if (!s.saveError.isEmpty()) {
        text += QStringLiteral("; save failed: %1").arg(s.saveError);
    }
    if (!s.recordError.isEmpty()) {
        text += QStringLiteral(" (not recorded: %1)").arg(s.recordError);
    }
    return text;
}

bool DeployReport::allVerified() const
{
    // A site running its other block counts as sent only where the run went on after it; where
    // it was not accepted it stopped the run.
    return stoppedAfter.isEmpty() &&
           std::all_of(sites.cbegin(), sites.cend(), [](const SiteDeploy& s) {
               return s.ok() || s.outcome == DeployOutcome::Skipped ||
                      s.outcome == DeployOutcome::NothingToRevert ||
                      (s.outcome == DeployOutcome::OtherBlock && s.saveError.isEmpty());
           });
}

int DeployReport::count(DeployOutcome outcome) const
{
    return int(std::count_if(sites.cbegin(), sites.cend(),
                             [outcome](const SiteDeploy& s) { return s.outcome == outcome; }));
}

} // namespace fleet
