#include <QTest>
class TestFleetRuns : public QObject
{
    Q_OBJECT
};
QTEST_GUILESS_MAIN(TestFleetRuns)
#include "test_fleet_runs.moc"
