#include "designer/ui/DataList.h"

#include "designer/DatumList.h"
#include "designer/ui/DesignScene.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QVBoxLayout>

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;

// Its items leave by drag as data the sheet takes.
class DatumItems final : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    QStringList mimeTypes() const override { return {QLatin1String(CDesignScene::kDatumMimeType)}; }
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override {
        if (items.isEmpty())
            return nullptr;
        auto* mime = new QMimeData;
        mime->setData(QLatin1String(CDesignScene::kDatumMimeType),
                      CDesignScene::DatumMime(items.front()->data(kKindRole).toInt(), items.front()->data(kIndexRole).toInt()));
        mime->setText(items.front()->text());
        return mime;
    }
};

} // namespace

CDataList::CDataList(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_search = new QLineEdit;
    m_search->setObjectName(QStringLiteral("buscarDato"));
    m_search->setPlaceholderText(QStringLiteral("Buscar dato…"));
    m_search->setClearButtonEnabled(true);
    m_search->setToolTip(QStringLiteral("Escriba parte del nombre del dato, por ejemplo \"rfc\" o \"importe\""));
    m_list = new DatumItems;
    m_list->setObjectName(QStringLiteral("datos"));
    m_list->setToolTip(QStringLiteral("Arrastre un dato a la hoja para ponerlo ahí; doble clic o Enter lo agrega al "
                                      "texto seleccionado"));
    m_list->setDragEnabled(true);
    m_list->setDragDropMode(QAbstractItemView::DragOnly);
    m_list->setDefaultDropAction(Qt::CopyAction);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    // The longest labels are cut in the middle, whole in their tip, rather than scrolled to.
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const DatumList::Datum& d : DatumList::All()) {
        auto* item = new QListWidgetItem(QString::fromStdString(d.label), m_list);
        item->setData(kKindRole, d.kind);
        item->setData(kIndexRole, d.index);
        item->setToolTip(item->text());
    }
    auto* hint = new QLabel(QStringLiteral("Arrastre un dato a la hoja"));
    hint->setWordWrap(true);
    layout->addWidget(m_search);
    layout->addWidget(m_list, 1);
    layout->addWidget(hint);

    connect(m_search, &QLineEdit::textChanged, this, &CDataList::Filter);
    // Enter in the search goes on to the first datum found.
    connect(m_search, &QLineEdit::returnPressed, this, [this] {
        for (int i = 0; i < m_list->count(); ++i)
            if (!m_list->item(i)->isHidden()) {
                m_list->setCurrentRow(i);
                break;
            }
        m_list->setFocus();
    });
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        Q_EMIT datumChosen(item->data(kKindRole).toInt(), item->data(kIndexRole).toInt());
    });
}

void CDataList::Filter(const QString& filter) {
    const std::string words = filter.toStdString();
    const auto& all = DatumList::All();
    for (int i = 0; i < m_list->count() && i < static_cast<int>(all.size()); ++i)
        m_list->item(i)->setHidden(!DatumList::Matches(all[static_cast<std::size_t>(i)], words));
}
