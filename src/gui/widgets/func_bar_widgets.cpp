// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/func_bar_widgets.h"

#include "render/color.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include <array>

namespace curvane {

namespace {

struct TSystemColor {
    int Index;  // the low byte of the colour value
    const char* Name;
};

// The system colours the box offers by name; their actual colour comes from
// the palette (ToQColor).
constexpr std::array<TSystemColor, 25> SystemColors{{
    {0, "Scroll Bar"},
    {1, "Background"},
    {2, "Active Caption"},
    {3, "Inactive Caption"},
    {4, "Menu"},
    {5, "Window"},
    {6, "Window Frame"},
    {7, "Menu Text"},
    {8, "Window Text"},
    {9, "Caption Text"},
    {10, "Active Border"},
    {11, "Inactive Border"},
    {12, "Application Workspace"},
    {13, "Highlight"},
    {14, "Highlight Text"},
    {15, "Button Face"},
    {16, "Button Shadow"},
    {17, "Gray Text"},
    {18, "Button Text"},
    {19, "Inactive Caption Text"},
    {20, "Button Highlight"},
    {21, "3D Dark Shadow"},
    {22, "3D Light"},
    {23, "Info Text"},
    {24, "Info Background"},
}};

struct TNamedColor {
    const char* Name;
    std::int32_t Value;  // 0x00BBGGRR
};

// Standard colours, then the extended ones.
constexpr std::array<TNamedColor, 20> NamedColors{{
    {"Black", 0x000000},       {"Maroon", 0x000080},      {"Green", 0x008000},     {"Olive", 0x008080},
    {"Navy", 0x800000},        {"Purple", 0x800080},      {"Teal", 0x808000},      {"Gray", 0x808080},
    {"Silver", 0xC0C0C0},      {"Red", 0x0000FF},         {"Lime", 0x00FF00},      {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},        {"Fuchsia", 0xFF00FF},     {"Aqua", 0xFFFF00},      {"White", 0xFFFFFF},
    {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6},    {"Cream", 0xF0FBFF},     {"Medium Gray", 0xA4A0A0},
}};

constexpr std::int32_t SystemColorFlag = static_cast<std::int32_t>(0xFF000000u);

QIcon Swatch(const QColor& color) {
    QPixmap pixmap(16, 12);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

// Draws the width entries as lines instead of their numbers.
class TWidthDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        TWidthCombo::PaintWidthLine(*painter, option.rect, index.row() + 1);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), index.row() + 7));
        return size;
    }
};

}  // namespace

QColor ColorRefToQColor(std::int32_t color) { return ToQColor(color); }

std::int32_t QColorToColorRef(const QColor& color) { return FromQColor(color); }

// --- TFuncCombo ---

TFuncCombo::TFuncCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Completion would replace the typed formula with a caption of the list.
    setCompleter(nullptr);
    lineEdit()->installEventFilter(this);
    lineEdit()->setContextMenuPolicy(Qt::DefaultContextMenu);
}

void TFuncCombo::ShowFormula(const QString& formula) {
    FFormula = formula;
    setEditText(formula);
}

void TFuncCombo::showPopup() {
    FListChoice = true;
    QComboBox::showPopup();
}

void TFuncCombo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) FListChoice = true;
    if (HandleEnter(*event)) return event->accept();
    QComboBox::keyPressEvent(event);
}

bool TFuncCombo::HandleEnter(const QKeyEvent& key) {
    if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter) return false;
    if (key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))
        emit addPressed();
    else
        emit enterPressed();
    return true;
}

bool TFuncCombo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit()) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (HandleEnter(*key)) return true;
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) FListChoice = true;
            // The line edit has taken these keys already (its shortcut
            // override); with nothing typed they are the document's.
            const QKeyCombination pressed = key->keyCombination();
            const bool undo = pressed == (Qt::CTRL | Qt::Key_Z);
            const bool redo = pressed == (Qt::CTRL | Qt::SHIFT | Qt::Key_Z) || pressed == (Qt::CTRL | Qt::Key_Y);
            if ((undo || redo) && lineEdit()->text() == FFormula) {
                if (undo) emit documentUndoRequested();
                else emit documentRedoRequested();
                return true;
            }
        } else if (event->type() == QEvent::ContextMenu) {
            emit contextMenuRequestedAt(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

// --- TWidthCombo ---

TWidthCombo::TWidthCombo(QWidget* parent) : QComboBox(parent) {
    for (int i = 1; i <= 10; ++i) addItem(QString::number(i));
    setItemDelegate(new TWidthDelegate(this));
    setMinimumWidth(64);
}

int TWidthCombo::Width() const { return currentIndex() < 0 ? 0 : currentIndex() + 1; }

void TWidthCombo::SetWidth(int width) { setCurrentIndex(width >= 1 && width <= 10 ? width - 1 : -1); }

void TWidthCombo::showPopup() {
    FListChoice = true;
    QComboBox::showPopup();
}

void TWidthCombo::PaintWidthLine(QPainter& painter, const QRect& rect, int width) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Lines are drawn as filled bands so that every width is exactly that
    // many pixels tall, whatever the pen's cap and rounding would do.
    const int top = rect.top() + (rect.height() - width) / 2;
    painter.fillRect(QRect(rect.left() + 4, top, std::max(0, rect.width() - 8), width), Qt::black);
    painter.restore();
}

void TWidthCombo::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    if (currentIndex() >= 0) {
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
        if (!isEnabled()) painter.setOpacity(0.4);
        PaintWidthLine(painter, field, currentIndex() + 1);
    }
}

// --- TColorBox ---

TColorBox::TColorBox(QWidget* parent) : QComboBox(parent) {
    for (const TNamedColor& c : NamedColors) AddColorEntry(QString::fromLatin1(c.Name), c.Value);
    for (const TSystemColor& sys : SystemColors)
        AddColorEntry(QString::fromLatin1(sys.Name), SystemColorFlag | sys.Index);
    addItem(QStringLiteral("Custom..."));
    setCurrentIndex(0);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    connect(this, &QComboBox::activated, this, &TColorBox::OnActivated);
}

int TColorBox::AddColorEntry(const QString& name, std::int32_t color, int at) {
    if (at < 0) at = count();
    insertItem(at, Swatch(ColorRefToQColor(color)), name, QVariant(static_cast<int>(color)));
    return at;
}

int TColorBox::FindColor(std::int32_t color) const {
    for (int i = 0; i < count(); ++i) {
        const QVariant data = itemData(i);
        if (data.isValid() && data.toInt() == color) return i;
    }
    return -1;
}

std::int32_t TColorBox::Color() const {
    const QVariant data = currentData();
    return data.isValid() ? static_cast<std::int32_t>(data.toInt()) : FLastColor;
}

void TColorBox::SetColor(std::int32_t color) {
    int index = FindColor(color);
    if (index < 0) {
        const QColor rgb = ColorRefToQColor(color);
        index = AddColorEntry(rgb.name(QColor::HexRgb).toUpper(), color, CustomEntry());
    }
    FLastColor = color;
    setCurrentIndex(index);
}

void TColorBox::OnActivated(int index) {
    if (index == CustomEntry()) {
        const QColor chosen = QColorDialog::getColor(ColorRefToQColor(FLastColor), this, QStringLiteral("Color"));
        if (!chosen.isValid()) {  // cancelled: show the colour it had
            SetColor(FLastColor);
            return;
        }
        SetColor(QColorToColorRef(chosen));
    } else {
        FLastColor = Color();
    }
    emit colorChosen(FLastColor);
}

}  // namespace curvane
