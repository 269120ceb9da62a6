// The controls of WizardWindow, page by page, and what each reports to the logic.

#include "app/WizardWindow.h"

#include <algorithm>
#include <string>
#include <tuple>

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
#include <QComboBox>
#include <QImage>
#include <QSignalBlocker>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeWidget>

#include "app/QtText.h"
#include "platform/Picture.h"
#include "wizard/ControlIds.h"
#include "wizard/PageLayout.h"

namespace {

using namespace control;

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

// The map preview: the picture the logic gives, scaled down smoothly to fit with its
// aspect kept and centred. The picture is the logic's and outlives the next SetPicture.
class MapView : public QWidget
{
public:
    using QWidget::QWidget;

    void SetPicture(const RgbPicture* picture)
    {
        scaled = QImage();
        if (picture != nullptr && picture->width > 0 && picture->height > 0) {
            const QImage whole(picture->pixels.data(), picture->width, picture->height,
                               picture->width * 3, QImage::Format_RGB888);
            scaled = whole.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (scaled.isNull()) {
            return;
        }
        QPainter painter(this);
        painter.drawImage((width() - scaled.width()) / 2, (height() - scaled.height()) / 2,
                          scaled);
    }

private:
    QImage scaled;
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
    return entry != nullptr ? ToQString(std::string(entry->text)) : QString();
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
    // A title image is named by the title it shows.
    image->setAccessibleName(LayoutText(id));
    return image;
}

void WizardWindow::NameAfter(int id, int captionId)
{
    namedControls.emplace(captionId, id);
    if (QWidget* widget = Control(id)) {
        widget->setAccessibleName(CaptionText(Control(captionId)));
    }
}

void WizardWindow::AddRadio(int id)
{
    // Once per process: Qt keeps the factory for every window.
    [[maybe_unused]] static const bool announced = [] {
        QAccessible::installFactory(&PlainRadioAccessible);
        return true;
    }();
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
    NameAfter(introText, welcomeTitle);
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
        // Read-only, but Tab stops here, so that a screen reader reads the path out.
        edit->setFocusPolicy(Qt::StrongFocus);
        NameAfter(row.edit, row.label);
        auto* browse = AddButton(row.browse, row.handler);
        // Four buttons read "参照 ...": each is told apart by the path it chooses.
        browse->setAccessibleDescription(LayoutText(row.label));
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
    // The settings' list captions, set as group titles by the logic, name the lists.
    NameAfter(allFilesetList, allFilesetGroup);
    NameAfter(chosenFilesetList, chosenFilesetGroup);
}

void WizardWindow::BuildFeaturePage()
{
    AddGroup(featureFilesetGroup);
    QTreeWidget* filesets = AddFilesetList(featureFilesetList);
    connect(filesets, &QTreeWidget::itemSelectionChanged, this,
            [this, filesets] { logic->OnFeatureFilesetChanged(SelectedRow(filesets)); });
    filesets->viewport()->installEventFilter(this);
    NameAfter(featureFilesetList, featureFilesetGroup);

    AddGroup(featureGroup);
    auto* kinds = Add(featureCheckList, new QListWidget);
    kinds->setSelectionMode(QAbstractItemView::NoSelection);
    kinds->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The window sets the boxes with the signals blocked, so every change heard here
    // is the user's.
    connect(kinds, &QListWidget::itemChanged, this, [this, kinds](QListWidgetItem* item) {
        logic->OnFeatureToggled(kinds->row(item), item->checkState() == Qt::Checked);
    });
    NameAfter(featureCheckList, featureGroup);
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
    AddLabel(statusMessage);
    auto* summary = Add(summaryText, new QTextEdit);
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
    AddLabel(filesetName);
    AddLabel(filesetCounter)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    AddLabel(featureName);
    AddLabel(featureCounter)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* bar = Add(progressBar, new QProgressBar);
    bar->setTextVisible(false);
    bar->setRange(0, 40);
    bar->setValue(0);
    // Its value (0 to 40) is read through the accessible value, not a shown text.
    NameAfter(progressBar, progressTitle);

    // The completion state's report: a second line under the message, the report in the
    // free space below the bar, and its two buttons; the logic sets every text.
    AddLabel(reportNotice);
    auto* report = Add(reportText, new QTextEdit);
    report->setReadOnly(true);
    report->setAcceptRichText(false);
    report->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // A kind's line starts with a tab and wraps back to it, under its fileset's name.
    report->setTabStopDistance(report->fontMetrics().horizontalAdvance(QStringLiteral("　　")));
    AddButton(openOutputFolder, &WizardDialog::OnOpenOutputFolder);
    AddButton(validate, &WizardDialog::OnValidate);
    // The map of a fileset chosen in the box lies over the progress fields and the report.
    auto* map = Add(previewPicture, new MapView);
    map->setAccessibleName(QStringLiteral("地図のプレビュー"));
    auto* choice = Add(previewChoice, new QComboBox);
    choice->setAccessibleName(QStringLiteral("表示する内容"));
    // Only the user's choices are heard: the logic's SetChoices emits no activated().
    connect(choice, &QComboBox::activated, this,
            [this](int index) { logic->OnPreviewChosen(index); });
    AddButton(savePreview, &WizardDialog::OnSavePreview);
}

void WizardWindow::SetChoices(int id, const std::vector<std::string>& items, int chosen)
{
    auto* choice = qobject_cast<QComboBox*>(Control(id));
    if (choice == nullptr) {
        return;
    }
    const QSignalBlocker blocker(choice);
    choice->clear();
    for (const std::string& item : items) {
        choice->addItem(ToQString(item));
    }
    choice->setCurrentIndex(chosen);
}

void WizardWindow::SetPicture(int id, const RgbPicture* picture)
{
    if (auto* map = dynamic_cast<MapView*>(Control(id))) {
        map->SetPicture(picture);
    }
}

void WizardWindow::BuildButtons()
{
    // Built last, so that Tab reaches them after the controls of the page.
    AddButton(help, &WizardDialog::OnHelp);
    AddButton(back, &WizardDialog::OnBack);
    AddButton(next, &WizardDialog::OnNext);
    AddButton(cancel, &WizardDialog::OnCancel);
}

#include "WizardWindowPages.moc"
