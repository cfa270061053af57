#include "app/errsqlshowform.h"

#include "editor/texteditor.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

namespace kelvoran {

namespace {

constexpr int kSqlPanelHeight = 249;
constexpr int kButtonPanelHeight = 41;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

QStringList crLfLines(const QString &text) {
    return text.split(QStringLiteral("\r\n"));
}

} // namespace

TErrSQLShowForm::TErrSQLShowForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TErrSQLShowForm"));
    setWindowTitle(QStringLiteral("ErrSQLShowForm"));
    setModal(true);
    m_top = new QWidget(this);
    m_top->setObjectName(QStringLiteral("Panel_SQL"));
    m_sql = makeMemo(QStringLiteral("Memo_SQL"), m_top);
    m_message = makeMemo(QStringLiteral("Memo_Message"), this);
    m_bottom = new QWidget(this);
    m_bottom->setObjectName(QStringLiteral("Panel_Button"));
    m_ok = new QPushButton(QStringLiteral("OK"), m_bottom);
    m_ok->setObjectName(QStringLiteral("Button_OK"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    resize(700, 500);
}

TextEditor *TErrSQLShowForm::makeMemo(const QString &name, QWidget *parent) {
    auto *memo = new TextEditor(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setWordWrap(true);
    QFont font(QStringLiteral("FixedSys"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(19);
    memo->setFont(font);
    memo->installEventFilter(this);
    return memo;
}

void TErrSQLShowForm::showStatement(const QString &displayText, const QString &errorEntry) {
    m_sql->setLines(crLfLines(displayText));
    m_message->setLines(crLfLines(errorEntry));
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

void TErrSQLShowForm::done(int result) {
    m_sql->clear();
    m_message->clear();
    QDialog::done(result);
}

bool TErrSQLShowForm::eventFilter(QObject *watched, QEvent *event) {
    if ((watched == m_sql || watched == m_message) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TErrSQLShowForm::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    const int w = width();
    const int topHeight = qMin(kSqlPanelHeight, height());
    m_top->setGeometry(0, 0, w, topHeight);
    m_sql->setGeometry(0, 0, w, topHeight);
    const int bottomTop = qMax(topHeight, height() - kButtonPanelHeight);
    m_message->setGeometry(0, topHeight, w, bottomTop - topHeight);
    m_bottom->setGeometry(0, bottomTop, w, height() - bottomTop);
    m_ok->setGeometry(w / 2 - kButtonWidth / 2, (kButtonPanelHeight - kButtonHeight) / 2,
                      kButtonWidth, kButtonHeight);
}

} // namespace kelvoran
