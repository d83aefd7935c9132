#include "property_tree/IPAddressCtrl.h"

#include <algorithm>

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

#include "property_tree/AddressFieldEdit.h"
#include "property_tree/SystemColors.h"

namespace kestrine::ui {

namespace {

constexpr int kFieldGap = 5;  // also the left margin
constexpr int kOctetBits = 8;
constexpr int kNoticeMilliseconds = 4000;

QString ClampNoticeText(int typed) {
  return QStringLiteral("%1 is not a valid entry. Specify a value between 0 and 255.").arg(typed);
}

}  // namespace

CIPAddressCtrl::CIPAddressCtrl(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  for (int i = 0; i < kFieldCount; ++i) {
    auto* field = new CAddressFieldEdit(this);
    fields_[static_cast<std::size_t>(i)] = field;
    connect(field, &CAddressFieldEdit::FocusEntered, this, &CIPAddressCtrl::FocusEntered);
    connect(field, &CAddressFieldEdit::FocusLeft, this, &CIPAddressCtrl::OnFieldFocusLeft);
    connect(field, &CAddressFieldEdit::AdvanceRequested, this, [this, i] { Advance(i); });
    connect(field, &CAddressFieldEdit::Filled, this, [this, i] { AdvanceAfterFill(i); });
    connect(field, &CAddressFieldEdit::StepRequested, this, [this, i](int direction) { Step(i, direction); });
    connect(field, &CAddressFieldEdit::KeyPressed, this, &CIPAddressCtrl::HideNotice);
    connect(field, &CAddressFieldEdit::ValueClamped, this, [this, i](int typed) { ShowClampNotice(i, typed); });
    field->installEventFilter(this);
    connect(field, &QLineEdit::textChanged, this, &CIPAddressCtrl::AddressChanged);
  }
  setFocusProxy(fields_[0]);
  noticeTimer_ = new QTimer(this);
  noticeTimer_->setSingleShot(true);
  noticeTimer_->setInterval(kNoticeMilliseconds);
  connect(noticeTimer_, &QTimer::timeout, this, &CIPAddressCtrl::HideNotice);
  connect(this, &CIPAddressCtrl::FocusLeft, this, &CIPAddressCtrl::HideNotice);
  LayoutFields();
}

void CIPAddressCtrl::SetAddress(std::uint32_t hostOrder) {
  for (int i = 0; i < kFieldCount; ++i) {
    const int shift = (kFieldCount - 1 - i) * kOctetBits;
    fields_[static_cast<std::size_t>(i)]->SetValue(static_cast<int>((hostOrder >> shift) & 0xFFu));
  }
}

std::uint32_t CIPAddressCtrl::GetAddress() const {
  std::uint32_t address = 0;
  for (const CAddressFieldEdit* field : fields_) {
    address = (address << kOctetBits) | static_cast<std::uint32_t>(field->Value());
  }
  return address;
}

bool CIPAddressCtrl::IsBlank() const {
  return std::all_of(fields_.begin(), fields_.end(), [](const CAddressFieldEdit* field) { return field->IsBlank(); });
}

void CIPAddressCtrl::ClearAddress() {
  for (CAddressFieldEdit* field : fields_) field->clear();
}

void CIPAddressCtrl::SetFieldFocus(int index) {
  if (CAddressFieldEdit* field = GetField(index)) {
    field->setFocus();
    field->selectAll();
  }
}

QStringList CIPAddressCtrl::FieldTexts() const {
  QStringList texts;
  for (const CAddressFieldEdit* field : fields_) texts << field->text();
  return texts;
}

void CIPAddressCtrl::SetFieldTexts(const QStringList& texts) {
  for (int i = 0; i < kFieldCount; ++i) {
    fields_[static_cast<std::size_t>(i)]->setText(i < texts.size() ? texts.at(i) : QString());
  }
}

void CIPAddressCtrl::SetNoticeTimeout(int milliseconds) { noticeTimer_->setInterval(milliseconds); }

void CIPAddressCtrl::HideNotice() {
  noticeTimer_->stop();
  if (notice_) notice_->hide();
}

void CIPAddressCtrl::ShowClampNotice(int from, int typed) {
  if (!notice_) {
    // A tool window, not a child: the notice may reach past the edges of whatever holds the editor, and
    // it takes neither the focus nor the keys.
    notice_ = new QLabel(this, Qt::ToolTip);
    notice_->setForegroundRole(QPalette::ToolTipText);
    notice_->setBackgroundRole(QPalette::ToolTipBase);
    notice_->setAutoFillBackground(true);
    notice_->setFrameStyle(QFrame::Box | QFrame::Plain);
    notice_->setMargin(3);
  }
  notice_->setText(ClampNoticeText(typed));
  notice_->adjustSize();
  const CAddressFieldEdit* field = GetField(from);
  notice_->move(field->mapToGlobal(QPoint(0, field->height())));
  notice_->show();
  noticeTimer_->start();
}

CAddressFieldEdit* CIPAddressCtrl::GetField(int index) const {
  return index >= 0 && index < kFieldCount ? fields_[static_cast<std::size_t>(index)] : nullptr;
}

int CIPAddressCtrl::FieldIndexOf(const QObject* widget) const {
  for (int i = 0; i < kFieldCount; ++i) {
    if (fields_[static_cast<std::size_t>(i)] == widget) return i;
  }
  return -1;
}

void CIPAddressCtrl::SetFramed(bool framed) {
  framed_ = framed;
  LayoutFields();
  update();
}

void CIPAddressCtrl::SetDotColor(const QColor& color) {
  dotColor_ = color;
  update();
}

int CIPAddressCtrl::FrameWidth() const {
  if (!framed_) return 0;
  QStyleOptionFrame option;
  option.initFrom(this);
  return style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
}

QRect CIPAddressCtrl::FieldArea() const {
  const int frame = FrameWidth();
  return rect().adjusted(frame, frame, -frame, -frame);
}

void CIPAddressCtrl::LayoutFields() {
  const QRect area = FieldArea();
  const int b = FieldWidthFor(area.width());
  for (int i = 0; i < kFieldCount; ++i) {
    fields_[static_cast<std::size_t>(i)]->setGeometry(area.left() + kFieldGap + i * (b + kFieldGap), area.top(),
                                                      std::max(b, 0), area.height());
  }
}

QSize CIPAddressCtrl::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  const int field = metrics.horizontalAdvance(QStringLiteral("888")) + 6;
  const int frame = 2 * FrameWidth();
  return QSize(kFieldCount * field + 25 + frame, std::max(metrics.height() + 4, 17) + frame);
}

QSize CIPAddressCtrl::minimumSizeHint() const { return sizeHint(); }

void CIPAddressCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutFields();
}

void CIPAddressCtrl::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (framed_) {
    QStyleOptionFrame option;
    option.initFrom(this);
    option.lineWidth = FrameWidth();
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
  } else {
    painter.fillRect(rect(), GetSysColor(palette(), isEnabled() ? SysColor::Window : SysColor::BtnFace));
  }
  const QRect area = FieldArea();
  const int b = FieldWidthFor(area.width());
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  const QColor textColor = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text);
  painter.setPen(dotColor_.isValid() && isEnabled() ? dotColor_ : textColor);
  for (int gap = 1; gap < kFieldCount; ++gap) {
    // Each dot starts at the left edge of its gap, level with the digits.
    const int x = area.left() + gap * (b + kFieldGap);
    painter.drawText(QRect(x, area.top(), 100, area.height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QStringLiteral("."));
  }
}

void CIPAddressCtrl::Advance(int from) {
  if (from + 1 < kFieldCount) SetFieldFocus(from + 1);
}

void CIPAddressCtrl::AdvanceAfterFill(int from) {
  Advance(from);
  if (CAddressFieldEdit* next = GetField(from + 1)) next->MarkEnteredByFill();
}

bool CIPAddressCtrl::MoveByTab(int from, bool backwards) {
  const int to = from + (backwards ? -1 : 1);
  if (!GetField(to)) return false;  // past the last field or the first: the focus leaves the editor
  SetFieldFocus(to);
  return true;
}

bool CIPAddressCtrl::eventFilter(QObject* watched, QEvent* event) {
  const int from = FieldIndexOf(watched);
  if (from >= 0 && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    const bool plain = (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
    if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
      const bool backwards = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier) != 0;
      HideNotice();
      return MoveByTab(from, backwards);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CIPAddressCtrl::hideEvent(QHideEvent* event) {
  HideNotice();
  QWidget::hideEvent(event);
}

void CIPAddressCtrl::Step(int from, int direction) {
  CAddressFieldEdit* target = GetField(from + direction);
  if (!target) return;
  target->setFocus();
  target->deselect();
  target->setCursorPosition(direction < 0 ? static_cast<int>(target->text().size()) : 0);
}

void CIPAddressCtrl::OnFieldFocusLeft(QWidget* newFocus) {
  if (FieldIndexOf(newFocus) >= 0) return;  // moving between fields
  emit FocusLeft(newFocus);
}

}  // namespace kestrine::ui
