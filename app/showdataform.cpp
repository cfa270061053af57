#include "app/showdataform.h"

#include "app/datamodule.h"
#include "app/errorunit.h"
#include "db/errorsource.h"
#include "ui/errsourceview.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace kelvoran {

namespace {

constexpr int kBottomHeight = 47;

} // namespace

TShowDataForm::TShowDataForm(TDataModule_Kelvoran &dm, QWidget *parent)
    : QWidget(parent, Qt::Window), m_dm(dm) {
    setObjectName(QStringLiteral("TShowDataForm"));
    setWindowTitle(QStringLiteral("データ表示"));
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo_Data"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_bottom = new QWidget(this);
    m_bottom->setObjectName(QStringLiteral("Panel_Bottom"));
    m_close = new QPushButton(QStringLiteral("閉じる"), m_bottom);
    m_close->setObjectName(QStringLiteral("Button_Close"));
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    resize(553, 378);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TShowDataForm::showErrorMessages(QTreeWidgetItem *node) {
    if (const std::optional<ErrorUnit> unit = errorUnitOf(node)) {
        const QSqlDatabase db = m_dm.session.connection(unit->alias).valueOrThrow();
        const QStringList lines = loadErrorMessages(db, unit->name, unit->folder).valueOrThrow();
        showLines(errorMessageCaption(), lines);
        return;
    }
    show();
    raise();
}

void TShowDataForm::showLines(const QString &caption, const QStringList &lines) {
    m_memo->setPlainText(lines.join(u'\n'));
    setWindowTitle(caption);
    show();
    raise();
}

void TShowDataForm::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_memo->setGeometry(0, 0, width(), height() - kBottomHeight);
    m_bottom->setGeometry(0, height() - kBottomHeight, width(), kBottomHeight);
    m_close->setGeometry(width() / 2 - 137 / 2, (kBottomHeight - 33) / 2, 137, 33);
}

} // namespace kelvoran
