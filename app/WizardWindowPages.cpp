// The controls of WizardWindow, page by page, and what each reports to the logic.

#include "app/WizardWindow.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include <QAccessible>
#include <QAccessibleWidget>
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

namespace {

using namespace control;

// The page area below the title images and the row of buttons along the bottom.
constexpr int pageLeft = 12;
constexpr int pageTop = 96;
constexpr int pageWidth = 564;
constexpr int titleTop = 52;
constexpr int titleHeight = 36;
constexpr int separatorTop = 458;
constexpr int buttonTop = 468;
constexpr int buttonWidth = 88;
constexpr int buttonHeight = 26;

// A radio button that a click does not change by itself: the logic checks both buttons
// of a pair when it hears of the click. It is in no button group and not auto-exclusive,
// so that the logic can set both buttons of a pair in either order.
class PlainRadioButton : public QRadioButton
{
    Q_OBJECT

public:
    using QRadioButton::QRadioButton;

protected:
    void nextCheckState() override {}
};

// A caption as a screen reader says it: without the "&" that marks a mnemonic.
QString WithoutMnemonics(QString text)
{
    static const QString marker = QStringLiteral("\x01");
    text.replace(QStringLiteral("&&"), marker);
    text.remove(QLatin1Char('&'));
    return text.replace(marker, QStringLiteral("&"));
}

// What assistive technology hears of a PlainRadioButton: a radio button, checkable and
// checked or not, named by its text. Qt would announce a radio button that is not
// auto-exclusive as a check box. Its press action clicks it, and the logic decides.
class RadioButtonAccessible : public QAccessibleWidget
{
public:
    explicit RadioButtonAccessible(QRadioButton* button)
        : QAccessibleWidget(button, QAccessible::RadioButton)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        const QString given = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && given.isEmpty()) {
            return WithoutMnemonics(Button()->text());
        }
        return given;
    }

    QAccessible::State state() const override
    {
        QAccessible::State current = QAccessibleWidget::state();
        current.checkable = true;
        current.checked = Button()->isChecked();
        return current;
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction()) {
            Button()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    QRadioButton* Button() const { return static_cast<QRadioButton*>(widget()); }
};

QAccessibleInterface* PlainRadioAccessible(const QString& className, QObject* object)
{
    auto* radio = qobject_cast<PlainRadioButton*>(object);
    if (className != QLatin1String("PlainRadioButton") || radio == nullptr) {
        return nullptr;
    }
    return new RadioButtonAccessible(radio);
}

// The text a caption shows: a label's, a group's title, an image's own name.
QString CaptionText(const QWidget* caption)
{
    if (const auto* label = qobject_cast<const QLabel*>(caption)) {
        return label->pixmap().isNull() ? label->text() : label->accessibleName();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(caption)) {
        return WithoutMnemonics(group->title());
    }
    return caption != nullptr ? caption->accessibleName() : QString();
}

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

template <class Widget>
Widget* WizardWindow::Add(int id, Widget* widget, const QRect& geometry)
{
    widget->setParent(this);
    widget->setObjectName(QStringLiteral("control%1").arg(id));
    widget->setGeometry(geometry);
    widget->hide();
    controls[id] = widget;
    return widget;
}

QPushButton* WizardWindow::AddButton(int id, const char* text, const QRect& geometry,
                                     void (WizardDialog::*handler)())
{
    auto* button = Add(id, new QPushButton(ToQString(text)), geometry);
    // Enter is the window's: it presses the focused button or the logic's default one.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, handler] { ((*logic).*handler)(); });
    return button;
}

QLabel* WizardWindow::AddLabel(int id, const char* text, const QRect& geometry)
{
    auto* label = Add(id, new QLabel(ToQString(text)), geometry);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QGroupBox* WizardWindow::AddGroup(int id, const char* title, const QRect& geometry)
{
    return Add(id, new QGroupBox(ToQString(title)), geometry);
}

QLabel* WizardWindow::AddImage(int id, const char* file, const QRect& geometry)
{
    auto* image = Add(id, new QLabel, geometry);
    image->setPixmap(QPixmap(PathToQString(images / file)));
    return image;
}

void WizardWindow::NameAfter(int id, int captionId)
{
    namedControls.emplace(captionId, id);
    if (QWidget* widget = Control(id)) {
        widget->setAccessibleName(CaptionText(Control(captionId)));
    }
}

void WizardWindow::AddRadio(int id, const char* text, const QRect& geometry)
{
    // Once per process: Qt keeps the factory for every window.
    [[maybe_unused]] static const bool announced = [] {
        QAccessible::installFactory(&PlainRadioAccessible);
        return true;
    }();
    auto* radio = Add(id, new PlainRadioButton(ToQString(text)), geometry);
    radio->setAutoExclusive(false);
    // Only the circle and the text take a click, as the button is no wider than they are.
    radio->resize(std::min(geometry.width(), radio->sizeHint().width()), geometry.height());
    connect(radio, &QRadioButton::clicked, this, [this, id] { logic->OnRadioClicked(id); });
}

QTreeWidget* WizardWindow::AddFilesetList(int id, const QRect& geometry, bool manyRows)
{
    auto* list = Add(id, new QTreeWidget, geometry);
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
    const int clientWidth = geometry.width() - 2 * list->frameWidth();
    list->setColumnWidth(0, codeWidth);
    list->setColumnWidth(1, clientWidth - codeWidth - 16);
    return list;
}

void WizardWindow::BuildFrame()
{
    AddImage(banner, "banner.png", QRect(0, 0, 588, 44))->show();
    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("separator"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setGeometry(0, separatorTop, width(), 2);

    // Each title image is named by the title it shows (resources/art/render.sh).
    const struct
    {
        int id;
        const char* file;
        const char* text;
    } titles[] = {{inputTitle, "title1.png", "入力・出力フォルダの指定"},
                  {filesetTitle, "title2.png", "ファイルセットの選択"},
                  {featureTitle, "title3.png", "地物の選択"},
                  {optionsTitle, "title4.png", "出力オプション"},
                  {summaryTitle, "title5.png", "設定の確認"},
                  {progressTitle, "title6.png", "解凍の実行"},
                  {completedTitle, "done.png", "解凍の完了"}};
    AddImage(welcomeTitle, "title0.png", QRect(212, titleTop, 364, titleHeight))
        ->setAccessibleName(ToQString("ようこそ"));
    for (const auto& title : titles) {
        AddImage(title.id, title.file, QRect(pageLeft, titleTop, pageWidth, titleHeight))
            ->setAccessibleName(ToQString(title.text));
    }
}

void WizardWindow::BuildWelcomePage()
{
    // The logic moves and sizes the picture once it is loaded.
    AddLabel(picture, "", QRect(0, 44, 200, 412));
    auto* frame = Add(pictureFrame, new QFrame, QRect(212, pageTop, 364, 358));
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* intro = Add(introText, new QPlainTextEdit, QRect(214, pageTop + 2, 360, 354));
    intro->setReadOnly(true);
    intro->setFrameShape(QFrame::NoFrame);
    intro->document()->setDocumentMargin(3);
    intro->setFocusPolicy(Qt::NoFocus);
    intro->installEventFilter(this);
    NameAfter(introText, welcomeTitle);
}

void WizardWindow::BuildInputPage()
{
    AddGroup(inputGroup, "入力", QRect(pageLeft, pageTop, pageWidth, 214));
    const struct
    {
        int label;
        const char* text;
        int edit;
        int browse;
        void (WizardDialog::*handler)();
        int top;
    } rows[] = {
        {csvLabel, "ファイルセット一覧CSVファイル", csvEdit, csvBrowse, &WizardDialog::OnBrowseCsv,
         118},
        {dtdLabel, "ＤＴＤフォルダ", dtdEdit, dtdBrowse, &WizardDialog::OnBrowseDtd, 174},
        {dataLabel, "データフォルダ", dataEdit, dataBrowse, &WizardDialog::OnBrowseData, 230},
        {xmlLabel, "ＸＭＬ出力フォルダ", xmlEdit, xmlBrowse, &WizardDialog::OnBrowseXml, 344},
    };
    for (const auto& row : rows) {
        if (row.label == xmlLabel) {
            AddGroup(outputGroup, "出力", QRect(pageLeft, 322, pageWidth, 104));
        }
        AddLabel(row.label, row.text, QRect(28, row.top, 440, 20));
        auto* edit = Add(row.edit, new QLineEdit, QRect(28, row.top + 22, 440, 26));
        edit->setReadOnly(true);
        // Read-only, but Tab stops here, so that a screen reader reads the path out.
        edit->setFocusPolicy(Qt::StrongFocus);
        NameAfter(row.edit, row.label);
        auto* browse =
            AddButton(row.browse, "参照 ...", QRect(476, row.top + 21, 84, 28), row.handler);
        // Four buttons read "参照 ...": each is told apart by the path it chooses.
        browse->setAccessibleDescription(ToQString(row.text));
    }
}

void WizardWindow::BuildFilesetPage()
{
    auto* title = AddLabel(csvTitle, "", QRect(pageLeft, pageTop, pageWidth, 26));
    title->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    title->setAlignment(Qt::AlignCenter);
    AddGroup(allFilesetGroup, "", QRect(pageLeft, 130, 246, 318));
    QTreeWidget* all = AddFilesetList(allFilesetList, QRect(22, 154, 226, 284), true);
    AddButton(addFileset, ">>", QRect(268, 244, 52, 28), &WizardDialog::OnAdd);
    AddButton(removeFileset, "<<", QRect(268, 284, 52, 28), &WizardDialog::OnRemove);
    AddGroup(chosenFilesetGroup, "", QRect(330, 130, 246, 318));
    QTreeWidget* chosen = AddFilesetList(chosenFilesetList, QRect(340, 154, 226, 284), true);
    // Double-click and Space act on the selected rows, not on the row under the mouse.
    connect(all, &QTreeWidget::itemDoubleClicked, this, [this] { logic->OnAdd(); });
    connect(chosen, &QTreeWidget::itemDoubleClicked, this, [this] { logic->OnRemove(); });
    all->installEventFilter(this);
    chosen->installEventFilter(this);
    // The settings' list captions, set as group titles by the logic, name the lists.
    NameAfter(allFilesetList, allFilesetGroup);
    NameAfter(chosenFilesetList, chosenFilesetGroup);
}

void WizardWindow::BuildFeaturePage()
{
    AddGroup(featureFilesetGroup, "", QRect(pageLeft, pageTop, 246, 248));
    QTreeWidget* filesets = AddFilesetList(featureFilesetList, QRect(22, 120, 226, 214), false);
    connect(filesets, &QTreeWidget::itemSelectionChanged, this,
            [this, filesets] { logic->OnFeatureFilesetChanged(SelectedRow(filesets)); });
    filesets->viewport()->installEventFilter(this);
    NameAfter(featureFilesetList, featureFilesetGroup);

    AddGroup(featureGroup, "地物", QRect(268, pageTop, 308, 248));
    auto* kinds = Add(featureCheckList, new QListWidget, QRect(278, 120, 288, 178));
    kinds->setSelectionMode(QAbstractItemView::NoSelection);
    kinds->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The window sets the boxes with the signals blocked, so every change heard here
    // is the user's.
    connect(kinds, &QListWidget::itemChanged, this, [this, kinds](QListWidgetItem* item) {
        logic->OnFeatureToggled(kinds->row(item), item->checkState() == Qt::Checked);
    });
    NameAfter(featureCheckList, featureGroup);
    AddButton(selectAll, "全選択", QRect(278, 306, 88, 28), &WizardDialog::OnSelectAll);
    AddButton(clearAll, "全解除", QRect(374, 306, 88, 28), &WizardDialog::OnClearAll);

    AddGroup(folderGroup, "フォルダ", QRect(pageLeft, 352, pageWidth, 96));
    AddLabel(inputFolderCaption, "入力", QRect(28, 376, 40, 24));
    AddLabel(outputFolderCaption, "出力", QRect(28, 410, 40, 24));
    for (const auto& [id, top] :
         {std::pair{inputFolderLabel, 376}, std::pair{outputFolderLabel, 410}}) {
        auto* folder = Add(id, new PathLabel, QRect(72, top, 488, 24));
        folder->setTextFormat(Qt::PlainText);
        folder->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }
}

void WizardWindow::BuildOptionsPage()
{
    AddGroup(outputUnitGroup, "出力ファイル単位", QRect(pageLeft, pageTop, pageWidth, 104));
    AddRadio(integratedFile, "統合ファイル", QRect(36, 124, 500, 24));
    AddRadio(perKindFile, "地物別ファイル", QRect(36, 158, 500, 24));
    AddGroup(dtdGroup, "DTDファイル", QRect(pageLeft, 210, pageWidth, 104));
    AddRadio(dtdCopy, "XML出力フォルダにコピーする", QRect(36, 238, 500, 24));
    AddRadio(noDtdCopy, "コピーしない", QRect(36, 272, 500, 24));
    AddGroup(charsetGroup, "文字コードセット", QRect(pageLeft, 324, pageWidth, 104));
    AddRadio(utf8, "Unicode (UTF-8)", QRect(36, 352, 500, 24));
    AddRadio(shiftJis, "シフトJIS", QRect(36, 386, 500, 24));
    // The buttons are no children of their group boxes: the group's title tells which
    // option a button sets.
    for (const auto& [group, first, second] :
         {std::tuple{outputUnitGroup, integratedFile, perKindFile},
          std::tuple{dtdGroup, dtdCopy, noDtdCopy}, std::tuple{charsetGroup, utf8, shiftJis}}) {
        const QString option = CaptionText(Control(group));
        Control(first)->setAccessibleDescription(option);
        Control(second)->setAccessibleDescription(option);
    }
}

void WizardWindow::BuildSummaryPage()
{
    AddLabel(statusMessage, "", QRect(pageLeft, pageTop, pageWidth, 24));
    auto* summary = Add(summaryText, new QTextEdit, QRect(pageLeft, 124, pageWidth, 324));
    summary->setReadOnly(true);
    summary->setAcceptRichText(false);
    summary->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    summary->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Labels and values are separated by a tab: one stop past the longest label.
    summary->setTabStopDistance(
        summary->fontMetrics().horizontalAdvance(QStringLiteral(" XML出力フォルダ")) + 24);
    NameAfter(summaryText, summaryTitle);
}

void WizardWindow::BuildProgressPage()
{
    constexpr Qt::Alignment counterAlignment = Qt::AlignRight | Qt::AlignVCenter;
    AddLabel(filesetName, "", QRect(28, 150, 420, 24));
    AddLabel(filesetCounter, "", QRect(452, 150, 108, 24))->setAlignment(counterAlignment);
    AddLabel(featureName, "", QRect(28, 190, 420, 24));
    AddLabel(featureCounter, "", QRect(452, 190, 108, 24))->setAlignment(counterAlignment);
    auto* bar = Add(progressBar, new QProgressBar, QRect(28, 236, 532, 22));
    bar->setTextVisible(false);
    bar->setRange(0, 40);
    bar->setValue(0);
    // Its value (0 to 40) is read through the accessible value, not a shown text.
    NameAfter(progressBar, progressTitle);

    // The completion state's report: a second line under the message, the report in the
    // free space below the bar, and its two buttons; the logic sets every text.
    AddLabel(reportNotice, "", QRect(pageLeft, 120, pageWidth, 24));
    auto* report = Add(reportText, new QTextEdit, QRect(pageLeft, 268, pageWidth, 146));
    report->setReadOnly(true);
    report->setAcceptRichText(false);
    report->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // A kind's line starts with a tab and wraps back to it, under its fileset's name.
    report->setTabStopDistance(report->fontMetrics().horizontalAdvance(QStringLiteral("　　")));
    AddButton(openOutputFolder, "", QRect(pageLeft, 420, 150, 28), &WizardDialog::OnOpenOutputFolder);
    AddButton(validate, "", QRect(pageLeft + 158, 420, 110, 28), &WizardDialog::OnValidate);
}

void WizardWindow::BuildButtons()
{
    // Built last, so that Tab reaches them after the controls of the page.
    const auto at = [](int left) { return QRect(left, buttonTop, buttonWidth, buttonHeight); };
    AddButton(help, "ヘルプ", at(pageLeft), &WizardDialog::OnHelp);
    AddButton(back, "< 戻る", at(296), &WizardDialog::OnBack);
    AddButton(next, "次へ >", at(384), &WizardDialog::OnNext);
    AddButton(cancel, "キャンセル", at(488), &WizardDialog::OnCancel);
}

#include "WizardWindowPages.moc"
