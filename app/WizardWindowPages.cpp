// The controls of WizardWindow, page by page, and what each reports to the logic.

#include "app/WizardWindow.h"

#include <algorithm>

#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeWidget>

#include "app/QtText.h"
#include "wizard/ControlIds.h"
#include "wizard/PageLayout.h"

namespace {

using namespace control;

// A radio button that a click does not change by itself: the logic checks both buttons
// of a pair when it hears of the click.
class PlainRadioButton : public QRadioButton
{
public:
    using QRadioButton::QRadioButton;

protected:
    void nextCheckState() override {}
};

// A sunken line of text for a folder: a path too long for the line shows its start and
// end around "…", and the whole path as the tooltip. text() keeps the whole path.
class PathLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QRect area = contentsRect().adjusted(margin, 0, -margin, 0);
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
        setToolTip(shown == text() ? QString() : text());
        QFrame::paintEvent(event);
        QPainter painter(this);
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, shown);
    }

private:
    static constexpr int margin = 4;
};

}

QRect WizardWindow::LayoutRect(int id)
{
    const layout::Control* entry = layout::Find(id);
    return entry != nullptr ? QRect(entry->x, entry->y, entry->width, entry->height) : QRect();
}

QString WizardWindow::LayoutText(int id)
{
    const layout::Control* entry = layout::Find(id);
    return entry != nullptr ? QString::fromUtf8(entry->text.data(), qsizetype(entry->text.size()))
                            : QString();
}

template <class Widget>
Widget* WizardWindow::Add(int id, Widget* widget)
{
    widget->setParent(this);
    widget->setObjectName(QStringLiteral("control%1").arg(id));
    widget->setGeometry(LayoutRect(id));
    widget->hide();
    controls[id] = widget;
    return widget;
}

QPushButton* WizardWindow::AddButton(int id, void (WizardDialog::*handler)())
{
    auto* button = Add(id, new QPushButton(LayoutText(id)));
    // Enter is the window's: it presses the focused button or the logic's default one.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, handler] { ((*logic).*handler)(); });
    return button;
}

QLabel* WizardWindow::AddLabel(int id)
{
    auto* label = Add(id, new QLabel(LayoutText(id)));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QGroupBox* WizardWindow::AddGroup(int id)
{
    return Add(id, new QGroupBox(LayoutText(id)));
}

QLabel* WizardWindow::AddImage(int id)
{
    auto* image = Add(id, new QLabel);
    const layout::Control* entry = layout::Find(id);
    const std::string file = std::string(entry->image) + ".png";
    image->setPixmap(QPixmap(PathToQString(images / file)));
    return image;
}

void WizardWindow::AddRadio(int id)
{
    auto* radio = Add(id, new PlainRadioButton(LayoutText(id)));
    radio->setAutoExclusive(false);
    // Only the circle and the text take a click, as the button is no wider than they are.
    radio->resize(std::min(radio->width(), radio->sizeHint().width()), radio->height());
    connect(radio, &QRadioButton::clicked, this, [this, id] { logic->OnRadioClicked(id); });
}

QTreeWidget* WizardWindow::AddFilesetList(int id)
{
    auto* list = Add(id, new QTreeWidget);
    const bool manyRows = (layout::Find(id)->flags & layout::manyRows) != 0;
    list->setColumnCount(2);
    list->setHeaderLabels({QStringLiteral("行政コード"), QStringLiteral("行政名")});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false);  // the logic orders the rows
    list->setAllColumnsShowFocus(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(manyRows ? QAbstractItemView::ExtendedSelection
                                    : QAbstractItemView::SingleSelection);
    list->setIconSize(QSize(16, 16));
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsMovable(false);
    // The code column is as wide as its heading and four spaces; the name column takes
    // the rest but for room for a scroll bar.
    const QFontMetrics metrics(font());
    const int codeWidth = std::max(metrics.horizontalAdvance(QStringLiteral("行政コード")) +
                                       metrics.horizontalAdvance(QStringLiteral("    ")),
                                   list->header()->sectionSizeHint(0));
    const int clientWidth = list->width() - 2 * list->frameWidth();
    list->setColumnWidth(0, codeWidth);
    list->setColumnWidth(1, clientWidth - codeWidth - 16);
    return list;
}

void WizardWindow::BuildFrame()
{
    AddImage(banner)->show();
    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("separator"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setGeometry(0, layout::separatorTop, width(), 2);
    for (const int title : {welcomeTitle, inputTitle, filesetTitle, featureTitle, optionsTitle,
                            summaryTitle, progressTitle, completedTitle}) {
        AddImage(title);
    }
}

void WizardWindow::BuildWelcomePage()
{
    // The logic moves and sizes the picture once it is loaded.
    AddLabel(picture);
    auto* frame = Add(pictureFrame, new QFrame);
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* intro = Add(introText, new QPlainTextEdit);
    intro->setReadOnly(true);
    intro->setFrameShape(QFrame::NoFrame);
    intro->document()->setDocumentMargin(3);
    intro->setFocusPolicy(Qt::NoFocus);
    intro->installEventFilter(this);
}

void WizardWindow::BuildInputPage()
{
    AddGroup(inputGroup);
    const struct
    {
        int label;
        int edit;
        int browse;
        void (WizardDialog::*handler)();
    } rows[] = {
        {csvLabel, csvEdit, csvBrowse, &WizardDialog::OnBrowseCsv},
        {dtdLabel, dtdEdit, dtdBrowse, &WizardDialog::OnBrowseDtd},
        {dataLabel, dataEdit, dataBrowse, &WizardDialog::OnBrowseData},
        {xmlLabel, xmlEdit, xmlBrowse, &WizardDialog::OnBrowseXml},
    };
    for (const auto& row : rows) {
        if (row.label == xmlLabel) {
            AddGroup(outputGroup);
        }
        AddLabel(row.label);
        auto* edit = Add(row.edit, new QLineEdit);
        edit->setReadOnly(true);
        // Tab goes from browse button to browse button; a click still selects the text.
        edit->setFocusPolicy(Qt::ClickFocus);
        AddButton(row.browse, row.handler);
    }
}

void WizardWindow::BuildFilesetPage()
{
    auto* title = AddLabel(csvTitle);
    title->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    title->setAlignment(Qt::AlignCenter);
    AddGroup(allFilesetGroup);
    QTreeWidget* all = AddFilesetList(allFilesetList);
    AddButton(addFileset, &WizardDialog::OnAdd);
    AddButton(removeFileset, &WizardDialog::OnRemove);
    AddGroup(chosenFilesetGroup);
    QTreeWidget* chosen = AddFilesetList(chosenFilesetList);
    // Double-click and Space act on the selected rows, not on the row under the mouse.
    connect(all, &QTreeWidget::itemDoubleClicked, this, [this] { logic->OnAdd(); });
    connect(chosen, &QTreeWidget::itemDoubleClicked, this, [this] { logic->OnRemove(); });
    all->installEventFilter(this);
    chosen->installEventFilter(this);
}

void WizardWindow::BuildFeaturePage()
{
    AddGroup(featureFilesetGroup);
    QTreeWidget* filesets = AddFilesetList(featureFilesetList);
    connect(filesets, &QTreeWidget::itemSelectionChanged, this,
            [this, filesets] { logic->OnFeatureFilesetChanged(SelectedRow(filesets)); });
    filesets->viewport()->installEventFilter(this);

    AddGroup(featureGroup);
    auto* kinds = Add(featureCheckList, new QListWidget);
    kinds->setSelectionMode(QAbstractItemView::NoSelection);
    kinds->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The window sets the boxes with the signals blocked, so every change heard here
    // is the user's.
    connect(kinds, &QListWidget::itemChanged, this, [this, kinds](QListWidgetItem* item) {
        logic->OnFeatureToggled(kinds->row(item), item->checkState() == Qt::Checked);
    });
    AddButton(selectAll, &WizardDialog::OnSelectAll);
    AddButton(clearAll, &WizardDialog::OnClearAll);

    AddGroup(folderGroup);
    AddLabel(inputFolderCaption);
    AddLabel(outputFolderCaption);
    for (const int id : {inputFolderLabel, outputFolderLabel}) {
        auto* folder = Add(id, new PathLabel);
        folder->setTextFormat(Qt::PlainText);
        folder->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }
}

void WizardWindow::BuildOptionsPage()
{
    AddGroup(outputUnitGroup);
    AddRadio(integratedFile);
    AddRadio(perKindFile);
    AddGroup(dtdGroup);
    AddRadio(dtdCopy);
    AddRadio(noDtdCopy);
    AddGroup(charsetGroup);
    AddRadio(utf8);
    AddRadio(shiftJis);
}

void WizardWindow::BuildSummaryPage()
{
    AddLabel(statusMessage);
    auto* summary = Add(summaryText, new QTextEdit);
    summary->setReadOnly(true);
    summary->setAcceptRichText(false);
    summary->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    summary->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Labels and values are separated by a tab: one stop past the longest label.
    summary->setTabStopDistance(
        summary->fontMetrics().horizontalAdvance(QStringLiteral(" XML出力フォルダ")) + 24);
}

void WizardWindow::BuildProgressPage()
{
    AddLabel(filesetName);
    AddLabel(filesetCounter)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    AddLabel(featureName);
    AddLabel(featureCounter)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* bar = Add(progressBar, new QProgressBar);
    bar->setTextVisible(false);
    bar->setRange(0, 40);
    bar->setValue(0);
}

void WizardWindow::BuildButtons()
{
    // Built last, so that Tab reaches them after the controls of the page.
    AddButton(help, &WizardDialog::OnHelp);
    AddButton(back, &WizardDialog::OnBack);
    AddButton(next, &WizardDialog::OnNext);
    AddButton(cancel, &WizardDialog::OnCancel);
}
