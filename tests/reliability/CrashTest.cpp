// Kills a process in the middle of insertions, updates and deletions of a
// 20,000-row ledger; after every kill the file must be sound and hold either
// the table from before the change or the table after it.
#include "InsertRow.h"
#include "LedgerFile.h"
#include "LedgerPageReader.h"
#include "TestLedger.h"

#include <QProcess>
#include <QTest>

#include <chrono>
#include <random>
#include <thread>

using namespace tallowick;
using namespace tallowick::test;

namespace {

std::vector<LedgerRow> readAll(const std::string& path)
{
    LedgerPageReader reader(path);
    return reader.readRows(1, int(reader.rowCount()));
}

void rebalance(std::vector<LedgerRow>& rows)
{
    for (std::size_t k = 1; k < rows.size(); ++k)
        rows[k].balance = rows[k - 1].balance - rows[k].payment - rows[k].fee + rows[k].deposit;
}

QString integrityOf(const std::string& path)
{
    auto connection = LedgerConnection::open(path);
    Statement check(connection->db(), "PRAGMA integrity_check");
    check.step();
    return QString::fromStdString(check.text(0));
}

} // namespace

class CrashTest : public QObject {
    Q_OBJECT

private slots:
    void killedChangesLeaveOldOrNewLedger()
    {
        TestLedger ledger;
        std::vector<LedgerRow> rows{makeRow("0", "0", "0", "5000", "Initial Balance")};
        for (long long k = 1; k < 20000; ++k)
            rows.push_back(makeRow(k % 3 ? "12.5" : "0", k % 40 ? "0" : "1.25", k % 3 ? "0" : "40", "0",
                                   k % 2 ? "Check" : nullptr, k % 5 ? 1000 + k : -1, int(k % 7 == 0)));
        rebalance(rows);
        ledger.append(rows);

        constexpr int kKills = 120;
        std::mt19937 random(20261206);
        int interrupted = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            const std::vector<LedgerRow> before = readAll(ledger.path());
            std::vector<LedgerRow> after = before;
            // Near the top: the change moves almost every row or balance.
            const long long k = 2 + static_cast<long long>(random() % 50);
            QStringList arguments{QString::fromStdString(ledger.path())};
            if (kill % 3 == 0) {
                arguments << QStringLiteral("insert") << QString::number(k);
                after.insert(after.begin() + k, placeholderRow());
            } else if (kill % 3 == 1) {
                const QString payment = QString::number(random() % 100000) + QStringLiteral(".25");
                arguments << QStringLiteral("update") << QString::number(k) << payment;
                after[std::size_t(k - 1)].payment = Money::parse(payment.toStdString());
                rebalance(after);
            } else {
                arguments << QStringLiteral("delete") << QString::number(k);
                after.erase(after.begin() + (k - 1));
                rebalance(after);
            }

            QProcess worker;
            worker.start(QStringLiteral(CRASH_WORKER_PATH), arguments);
            QVERIFY(worker.waitForReadyRead(10000) && worker.readLine().startsWith("ready"));
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 150000));
            worker.kill();
            QVERIFY(worker.waitForFinished(10000));

            QCOMPARE(integrityOf(ledger.path()), QStringLiteral("ok"));
            const std::vector<LedgerRow> found = readAll(ledger.path());
            QVERIFY2(found == before || found == after, qPrintable(QStringLiteral("kill %1").arg(kill)));
            interrupted += found == before;
        }
        qInfo("%d kills: %d left the old ledger, %d the new one", kKills, interrupted, kKills - interrupted);
        QVERIFY(interrupted > kKills / 10); // the kills land inside changes
    }
};

QTEST_GUILESS_MAIN(CrashTest)
#include "CrashTest.moc"
