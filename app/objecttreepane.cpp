#include "app/objecttreepane.h"

#include "app/datamodule.h"
#include "app/treeimages.h"
#include "db/objectdescription.h"
#include "db/objectkind.h"
#include "db/objectlist.h"
#include "editor/texteditor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>

namespace kelvoran {

ObjectTreePane::ObjectTreePane(TDataModule_Kelvoran &dm, QWidget *parent)
    : QWidget(parent), m_dm(dm) {
    setObjectName(QStringLiteral("PanelTreeView"));
    auto *searchLabel = new QLabel(QStringLiteral("検索条件"), this);
    searchLabel->setGeometry(4, 4, 60, 20);
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("EditSearch"));
    m_search->setToolTip(QStringLiteral("「Esc」でDB一覧　・　「Enter」で検索結果"));
    m_search->installEventFilter(this);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("TreeViewDB"));
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setMouseTracking(true);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setUniformRowHeights(true);
    m_tree->installEventFilter(this);
    m_tree->viewport()->setMouseTracking(true);
    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { run([this, item] { treeClicked(item); }); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item)
            setContext(item);
    });
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        QTreeWidgetItem *item = m_tree->itemAt(pos);
        if (!item)
            return;
        m_tree->setCurrentItem(item);
        run([this, item] { treeRightClicked(item); });
        emit menuRequested(m_tree->viewport()->mapToGlobal(pos));
    });
    m_searchResult = new QListWidget(this);
    m_searchResult->setObjectName(QStringLiteral("ListBoxSearchResult"));
    m_searchResult->setFont(TextEditor::editorFont());
    m_searchResult->setStyleSheet(QStringLiteral("QListWidget::item { height: 18px; }"));
    m_searchResult->hide();
    m_searchResult->installEventFilter(this);
    connect(m_searchResult, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        run([this, item] { searchResultChosen(item->text()); });
    });
}

void ObjectTreePane::layoutContents() {
    m_search->setGeometry(64, 2, qMax(20, width() - 3 - 64), 22);
    m_tree->setGeometry(0, 26, width(), qMax(0, height() - 26));
    m_searchResult->setGeometry(m_tree->geometry());
}

void ObjectTreePane::run(const std::function<void()> &command) {
    m_dm.runCommand(command);
}

bool ObjectTreePane::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (watched == m_search && (type == QEvent::FocusIn || type == QEvent::FocusOut)) {
        // Aqua (0x00FFFF00 as 0x00BBGGRR) while the search box has the focus.
        QPalette p = m_search->palette();
        p.setColor(QPalette::Base, type == QEvent::FocusIn
                                       ? QColor(0, 255, 255)
                                       : QApplication::palette(m_search).color(QPalette::Base));
        m_search->setPalette(p);
        return false;
    }
    if (type != QEvent::KeyPress)
        return false;
    auto *ke = static_cast<QKeyEvent *>(event);
    const bool enter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
    if (watched == m_search) {
        if (enter) {
            run([this] { searchTree(); });
            return true;
        }
        if (ke->key() == Qt::Key_Escape) {
            m_searchResult->hide();
            return true;
        }
    } else if (watched == m_searchResult) {
        if (enter) {
            run([this] { searchResultEnter(); });
            return true;
        }
        if (ke->key() == Qt::Key_Escape) {
            m_searchResult->hide();
            return true;
        }
    } else if (watched == m_tree) {
        if (enter && m_tree->currentItem()) {
            QTreeWidgetItem *item = m_tree->currentItem();
            run([this, item] { treeClicked(item); });
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Nodes

int ObjectTreePane::levelOf(const QTreeWidgetItem *node) {
    int level = 0;
    for (const QTreeWidgetItem *p = node->parent(); p; p = p->parent())
        ++level;
    return level;
}

QTreeWidgetItem *ObjectTreePane::rootOf(QTreeWidgetItem *node) {
    while (node && node->parent())
        node = node->parent();
    return node;
}

QTreeWidgetItem *ObjectTreePane::folderOf(QTreeWidgetItem *node) {
    const int level = levelOf(node);
    if (level == 1)
        return node;
    if (level == 2)
        return node->parent();
    return nullptr;
}

void ObjectTreePane::listAliases() {
    QStringList names = m_dm.session.aliasNames();
    db::sortAsTree(names);
    QList<QTreeWidgetItem *> roots;
    for (const QString &name : names) {
        auto *item = new QTreeWidgetItem(QStringList{name});
        item->setIcon(0, treeImage(db::AliasOrObjectImageIndex));
        roots << item;
    }
    m_tree->addTopLevelItems(roots);
    if (!roots.isEmpty()) {
        m_tree->setCurrentItem(roots.first());
        m_dm.currentAliasNode = roots.first();
    }
}

void ObjectTreePane::setContext(QTreeWidgetItem *node) {
    m_dm.currentAliasNode = rootOf(node);
    m_dm.currentFolderNode = folderOf(node);
}

bool ObjectTreePane::showsRows(const QTreeWidgetItem *folder) const {
    const std::optional<db::ObjectKind> kind = db::objectKindFor(m_dm.kind, folder->text(0));
    return kind && db::showsRows(m_dm.kind, kind->id);
}

void ObjectTreePane::expandAlias(QTreeWidgetItem *aliasNode) {
    m_dm.readDriverName(aliasNode->text(0));
    std::vector<db::ObjectKind> kinds = db::objectKindsFor(m_dm.kind);
    std::sort(kinds.begin(), kinds.end(), [](const db::ObjectKind &a, const db::ObjectKind &b) {
        return QString::localeAwareCompare(a.folder, b.folder) < 0;
    });
    QList<QTreeWidgetItem *> folders;
    for (const db::ObjectKind &k : kinds) {
        auto *item = new QTreeWidgetItem(QStringList{k.folder});
        item->setIcon(0, treeImage(k.image));
        folders << item;
    }
    aliasNode->addChildren(folders);
    m_tree->setCurrentItem(aliasNode);
}

// ---------------------------------------------------------------------------------------------
// Clicks

void ObjectTreePane::treeClicked(QTreeWidgetItem *node) {
    if (!node)
        return;
    emit clickStarted();
    m_dm.gridShowsSqlResult = false;
    QTreeWidgetItem *alias = rootOf(node);
    if (m_dm.clickedOnce && alias == m_dm.currentAliasNode &&
        node->text(0) == m_dm.lastClickedText && node->childCount() > 0)
        return;
    m_dm.clickedOnce = true;
    m_dm.lastClickedText = node->text(0);
    setContext(node);
    const int level = levelOf(node);
    if (level == 0) {
        m_dm.readDriverName(node->text(0));
        if (node->childCount() == 0)
            expandAlias(node);
        m_dm.reportSourceMode = 2;
        m_dm.clickedFolderNode = nullptr;
    } else if (level == 1) {
        m_dm.readDriverName(alias->text(0));
        m_dm.reportSourceMode = 2;
        m_dm.clickedFolderNode = node;
    } else {
        // The folder's meaning depends on the kind of its alias, which may not be the last one.
        m_dm.readDriverName(alias->text(0));
        if (showsRows(node->parent())) {
            emit nameShown(node->text(0));
            m_dm.reportSourceMode = 1;
        } else {
            m_dm.reportSourceMode = 2;
        }
        m_dm.clickedFolderNode = node->parent();
    }
    m_dm.selectedNode = node;
    loadContent(node);
}

void ObjectTreePane::treeRightClicked(QTreeWidgetItem *node) {
    if (!m_dm.clickedOnce || !node)
        return;
    QTreeWidgetItem *alias = rootOf(node);
    if (alias == m_dm.currentAliasNode && node->text(0) == m_dm.lastClickedText &&
        node->childCount() > 0)
        return;
    m_dm.lastClickedText = node->text(0);
    setContext(node);
    const int level = levelOf(node);
    m_dm.readDriverName(alias->text(0));
    if (level == 0) {
        if (node->childCount() == 0)
            expandAlias(node);
        m_dm.reportSourceMode = 2;
        m_dm.clickedFolderNode = nullptr;
    } else if (level == 1) {
        m_dm.reportSourceMode = 2;
        m_dm.clickedFolderNode = node;
    } else {
        if (!showsRows(node->parent()))
            m_dm.reportSourceMode = 2;
        m_dm.clickedFolderNode = node->parent();
    }
}

void ObjectTreePane::listFolder(QTreeWidgetItem *folder) {
    const QString alias = rootOf(folder)->text(0);
    std::optional<db::ObjectKind> kind = db::objectKindFor(m_dm.kind, folder->text(0));
    if (!kind)
        return;
    m_tree->setVisible(false);
    m_tree->setUpdatesEnabled(false);
    DbResult<QStringList> objects = db::folderObjects(m_dm.session, alias, m_dm.kind, *kind);
    if (objects) {
        QList<QTreeWidgetItem *> items;
        items.reserve(int(objects->size()));
        const QIcon icon = treeImage(db::AliasOrObjectImageIndex);
        for (const QString &name : *objects) {
            auto *item = new QTreeWidgetItem(QStringList{name});
            item->setIcon(0, icon);
            items << item;
        }
        folder->addChildren(items);
    }
    m_tree->setUpdatesEnabled(true);
    m_tree->setVisible(true);
    m_tree->setCurrentItem(folder);
    if (!objects)
        throw DbException(objects.error());
}

void ObjectTreePane::loadContent(QTreeWidgetItem *node) {
    const int level = levelOf(node);
    const QString alias = rootOf(node)->text(0);
    if (level == 1 && node->childCount() == 0) {
        listFolder(node);
    } else if (level == 2) {
        const QString name = node->text(0);
        const bool dataKind = showsRows(node->parent());
        // POSTGRE objects are described as ORACLE objects are; their views and materialized
        // views show rows as tables do.
        if (m_dm.kind == DbKind::Oracle || m_dm.kind == DbKind::Postgre) {
            if (dataKind) {
                if (m_dm.runner.rowCounting())
                    showRowCount(name);
                emit linesDescribed({QString()}, {QString()});
                std::exception_ptr describeError;
                try {
                    describe(node);
                } catch (...) {
                    describeError = std::current_exception();
                }
                openTable(alias, name);
                emit gridColumnsWanted();
                if (describeError)
                    std::rethrow_exception(describeError);
            } else {
                emit linesDescribed({QString()}, {QString()});
                describe(node);
            }
        } else if (dataKind) {
            if (m_dm.runner.rowCounting())
                showRowCount(name);
            openTable(alias, name);
            emit linesDescribed({QString()}, {QString()});
            emit gridColumnsWanted();
            if (db::hasObjectTexts(m_dm.kind))
                describe(node);
        } else if (db::hasObjectTexts(m_dm.kind)) {
            emit linesDescribed({QString()}, {QString()});
            describe(node);
        }
    }
    emit contentLoaded();
}

void ObjectTreePane::describe(QTreeWidgetItem *node) {
    const QString alias = rootOf(node)->text(0);
    std::optional<db::ObjectKind> kind = db::objectKindFor(m_dm.kind, node->parent()->text(0));
    if (!kind)
        return;
    db::DescribeResult r = db::describeObject(m_dm.session, alias, m_dm.kind, *kind, node->text(0));
    emit linesDescribed(r.definition.lines(), r.source.lines());
    if (r.error)
        throw DbException(*r.error);
}

void ObjectTreePane::showRowCount(const QString &table) {
    const QString alias = m_dm.currentAliasNode->text(0);
    RowCount count = m_dm.runner.countRows(alias, {table}, false);
    for (const QString &m : count.messages)
        m_dm.inform(m, MessageIcon::Error);
    emit rowCountShown(count.ok ? count.count : -1);
}

void ObjectTreePane::closeTable() {
    emit tableClosing();
    m_dm.closeTable();
}

void ObjectTreePane::openTable(const QString &alias, const QString &table) {
    emit tableOpening();
    closeTable();
    std::unique_ptr<KeyedTableModel> model;
    try {
        model = m_dm.selectTable(alias, table);
    } catch (...) {
        emit gridModelChanged(nullptr);
        throw;
    }
    m_dm.table = std::move(model);
    m_dm.tableAlias = alias;
    emit gridModelChanged(m_dm.table.get());
}

// ---------------------------------------------------------------------------------------------
// Tree commands

void ObjectTreePane::refreshTree() {
    QTreeWidgetItem *node = m_tree->currentItem();
    if (!node)
        return;
    const int level = levelOf(node);
    if (level == 2) {
        node = node->parent();
        m_tree->setCurrentItem(node);
    }
    qDeleteAll(node->takeChildren());
    m_dm.lastClickedText.clear();
    treeClicked(node);
}

void ObjectTreePane::closeSession() {
    if (QTreeWidgetItem *aliasNode = m_dm.currentAliasNode) {
        const QString alias = aliasNode->text(0);
        if (m_dm.tableAlias == alias)
            closeTable();
        m_dm.runner.closeAlias(alias);
        if (m_dm.session.findConnection(alias))
            m_dm.session.closeConnection(alias);
        emit resultClosed();
        m_dm.selectedNode = nullptr;
        m_dm.currentFolderNode = nullptr;
        m_dm.clickedFolderNode = nullptr;
        m_tree->setCurrentItem(aliasNode);
        qDeleteAll(aliasNode->takeChildren());
        m_dm.lastClickedText.clear();
    }
    emit sessionClosed();
}

void ObjectTreePane::expandAll() {
    m_tree->expandAll();
}

void ObjectTreePane::collapseAll() {
    QTreeWidgetItem *selected = m_tree->currentItem();
    m_tree->collapseAll();
    if (selected)
        m_tree->setCurrentItem(rootOf(selected));
}

void ObjectTreePane::expandSelected() {
    QTreeWidgetItem *node = m_tree->currentItem();
    if (node && !node->isExpanded() && node->childCount() > 0)
        node->setExpanded(true);
}

void ObjectTreePane::collapseSelected() {
    QTreeWidgetItem *node = m_tree->currentItem();
    if (!node || !node->parent())
        return;
    if (node->isExpanded()) {
        node->setExpanded(false);
    } else {
        node->parent()->setExpanded(false);
        m_tree->setCurrentItem(node->parent());
    }
}

// ---------------------------------------------------------------------------------------------
// Search

void ObjectTreePane::searchTree() {
    m_searchResult->clear();
    QTreeWidgetItem *folder = m_dm.currentFolderNode;
    if (!folder) {
        m_searchResult->hide();
        return;
    }
    const QString key = m_search->text().toUpper();
    QStringList hits;
    for (int i = 0; i < folder->childCount(); ++i) {
        const QString text = folder->child(i)->text(0);
        if (text.toUpper().contains(key))
            hits << text;
    }
    if (hits.isEmpty()) {
        if (!m_search->text().isEmpty())
            m_dm.inform(u'"' + m_search->text() + u'"' +
                        QStringLiteral("  を含むオブジェクトが見つかりませんでした。     "));
        m_searchResult->hide();
        return;
    }
    m_searchResult->addItems(hits);
    m_searchResult->setGeometry(m_tree->geometry());
    m_searchResult->show();
    m_searchResult->raise();
}

void ObjectTreePane::searchResultEnter() {
    m_searchResult->clear();
    QTreeWidgetItem *folder = m_dm.clickedFolderNode;
    if (!folder) {
        m_searchResult->hide();
        return;
    }
    const QString key = m_search->text();
    for (int i = 0; i < folder->childCount(); ++i) {
        const QString text = folder->child(i)->text(0);
        if (text.contains(key))
            m_searchResult->addItem(text);
    }
}

void ObjectTreePane::searchResultChosen(const QString &text) {
    QTreeWidgetItem *folder = m_dm.currentFolderNode;
    if (!folder)
        return;
    for (int i = 0; i < folder->childCount(); ++i) {
        if (folder->child(i)->text(0) == text) {
            m_tree->setCurrentItem(folder->child(i));
            treeClicked(folder->child(i));
        }
    }
}

} // namespace kelvoran
