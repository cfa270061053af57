// kelvoran: the desktop program.
#include "aliases.h"
#include "dbkind.h"
#include "dbsession.h"

#include <QApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <QTreeWidget>

using namespace kelvoran;

namespace {

// The alias tree: one root per alias, its tables listed when it is expanded.
class AliasTreeWindow : public QMainWindow {
public:
    explicit AliasTreeWindow(AliasList aliases)
        : m_session(QStringLiteral("SessionDB"), std::move(aliases)) {
        setWindowTitle(QStringLiteral("Kelvoran"));
        m_tree = new QTreeWidget(this);
        m_tree->setHeaderLabels({QStringLiteral("オブジェクト"), QStringLiteral("種類")});
        m_tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
        for (const AliasInfo &alias : m_session.aliases().aliases()) {
            auto *item = new QTreeWidgetItem(
                m_tree, {alias.name, dbKindText(dbKindFromDriverName(alias.driverName))});
            item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        }
        connect(m_tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) {
            if (!item->parent() && item->childCount() == 0)
                listTables(item);
        });
        setCentralWidget(m_tree);
        statusBar()->showMessage(
            QStringLiteral("エイリアス %1 件").arg(m_session.aliases().aliases().size()));
        resize(900, 600);
    }

private:
    void listTables(QTreeWidgetItem *aliasItem) {
        DbResult<QStringList> tables = m_session.tableNames(aliasItem->text(0));
        if (!tables) {
            for (const QString &text : tables.error().texts())
                QMessageBox::warning(this, QStringLiteral("Kelvoran"), text);
            return;
        }
        for (const QString &table : *tables)
            new QTreeWidgetItem(aliasItem, {table, QStringLiteral("Table")});
    }

    DbSession m_session;
    QTreeWidget *m_tree;
};

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kelvoran"));
    QApplication::setApplicationName(QStringLiteral("Kelvoran"));
    Result<AliasList> aliases = AliasList::load();
    if (!aliases)
        QMessageBox::warning(nullptr, QStringLiteral("Kelvoran"), aliases.error().message);
    AliasTreeWindow window(aliases ? *aliases : AliasList());
    window.show();
    return app.exec();
}
