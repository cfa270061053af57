#include "tests/gui/mainwindowfixture.h"

namespace kelvoran::test {

QString fixture(const QString &name) {
    return QStringLiteral(KELVORAN_FIXTURE_DIR "/") + name;
}

// Runs `answer` on the next modal dialog that opens (polling, since exec() blocks).
void onNextModal(std::function<void(QWidget *)> answer) {
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start();
}

QStringList childTexts(QTreeWidgetItem *node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

QTreeWidgetItem *child(QTreeWidgetItem *node, const QString &text) {
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == text)
            return node->child(i);
    return nullptr;
}

QStringList messageTexts(const RecordingInteraction &ui) {
    QStringList texts;
    for (const auto &m : ui.messages)
        texts << m.text;
    return texts;
}

void MainWindowFixture::setUpFixture() {
    QVERIFY(m_dir.isValid());
    m_oracle = m_dir.filePath(QStringLiteral("oracle.sqlite"));
    m_demo = m_dir.filePath(QStringLiteral("demo.sqlite"));
    QVERIFY(QFile::copy(fixture(QStringLiteral("oracle_dictionary.sqlite")), m_oracle));
    QVERIFY(QFile::copy(fixture(QStringLiteral("demo.sqlite")), m_demo));
    m_serverAliasFile = qEnvironmentVariable("KELVORAN_ALIASES");
    m_aliasFile = m_dir.filePath(QStringLiteral("aliases.ini"));
    QFile f(m_aliasFile);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("[ORAFIX]\ndriver=QSQLITE\ndrivername=ORACLE (fixture)\ndatabase=%1\n\n"
                           "[DEMO]\ndriver=QSQLITE\ndatabase=%2\n\n"
                           "[LOGINFIX]\ndriver=QSQLITE\ndatabase=%2\nuser=scott\nlogin=true\n")
                .arg(m_oracle, m_demo)
                .toUtf8());
    f.close();
    m_settings = m_dir.filePath(QStringLiteral("settings.ini"));
    qputenv("KELVORAN_SETTINGS", m_settings.toUtf8());
    qputenv("KELVORAN_ALIASES", m_aliasFile.toUtf8());
    qputenv("KELVORAN_INSTANCE_NAME",
            QByteArray("kelvoran-test-") + QByteArray::number(QCoreApplication::applicationPid()));
}

void MainWindowFixture::tearDown() {
    if (m_w)
        m_w->close();
    m_w.reset();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
}

} // namespace kelvoran::test
