#include "property_tree/gallery/GalleryWindow.h"

#include <cstdio>
#include <memory>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "property_tree/ComboPropertyItem.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/IPAddressPropertyItem.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/StaticPropertyItem.h"
#include "property_tree/SystemColors.h"

namespace kestrine::ui {

namespace {

constexpr std::uint32_t kGalleryOptions = PROPS_SHADED_GUTTER | PROPS_CATEGORY_COLORS;
constexpr std::uint32_t kFirstCategoryColor = 0xFFC8C8;
constexpr std::uint32_t kCategoryColor = 0xDCDCDC;
constexpr std::uint32_t kGreyValue = 0xF0F0F0;

template <typename Item>
Item* AddRow(CPropertyTreeCtrl& tree, CPropertyItem* parent, std::unique_ptr<Item> item, const QString& label,
             const QString& description = QString()) {
  Item* added = tree.AddItem(std::move(item), parent);
  added->SetLabel(label);
  added->SetDescription(description);
  return added;
}

CPropertyItem* AddCategory(CPropertyTreeCtrl& tree, const QString& label, std::uint32_t color, bool expanded) {
  CPropertyItem* category = tree.AddItem(std::make_unique<CPropertyItem>());
  category->SetLabel(label);
  category->SetCategoryColor(ColorFromColorRef(color));
  category->SetExpanded(expanded);
  return category;
}

CComboPropertyItem* AddChoice(CPropertyTreeCtrl& tree, CPropertyItem* parent, int id, const QString& label,
                              const QStringList& options, int selected) {
  auto* combo = AddRow(tree, parent, std::make_unique<CComboPropertyItem>(id), label);
  combo->CreateEditor();
  for (const QString& option : options) combo->AddString(option);
  combo->SetCurSel(selected);
  return combo;
}

CEditPropertyItem* AddText(CPropertyTreeCtrl& tree, CPropertyItem* parent, int id, const QString& label,
                           const QString& text, std::uint32_t flags = 0, std::uint32_t extraStyle = 0) {
  auto* edit = AddRow(tree, parent, std::make_unique<CEditPropertyItem>(id), label);
  edit->CreateEditor(flags, extraStyle);
  edit->SetWindowText(text);
  return edit;
}

CIPAddressPropertyItem* AddAddress(CPropertyTreeCtrl& tree, CPropertyItem* parent, int id, const QString& label,
                                   std::uint32_t hostOrder) {
  auto* address = AddRow(tree, parent, std::make_unique<CIPAddressPropertyItem>(id), label);
  address->CreateEditor();
  address->SetAddress(hostOrder);
  return address;
}

QString ValueOf(CPropertyItem* item) {
  if (auto* edit = dynamic_cast<CEditPropertyItem*>(item)) return edit->GetWindowText();
  if (auto* combo = dynamic_cast<CComboPropertyItem*>(item)) return combo->GetWindowText();
  if (auto* address = dynamic_cast<CIPAddressPropertyItem*>(item)) return address->GetDisplayText();
  return QString();
}

}  // namespace

GalleryWindow::GalleryWindow(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("Property tree gallery"));
  auto* layout = new QVBoxLayout(this);
  tree_ = new CPropertyTreeCtrl(this, kGalleryOptions);
  tree_->setMinimumSize(380, 360);
  layout->addWidget(tree_, 1);

  auto* switches = new QHBoxLayout;
  enabledBox_ = new QCheckBox(QStringLiteral("Enabled"), this);
  enabledBox_->setChecked(true);
  descriptionBox_ = new QCheckBox(QStringLiteral("Description pane"), this);
  switches->addWidget(enabledBox_);
  switches->addWidget(descriptionBox_);
  switches->addStretch(1);
  layout->addLayout(switches);

  layout->addWidget(new QLabel(QStringLiteral("Commands received:"), this));
  log_ = new QListWidget(this);
  log_->setMaximumHeight(90);
  log_->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(log_);

  connect(enabledBox_, &QCheckBox::toggled, tree_, &QWidget::setEnabled);
  connect(descriptionBox_, &QCheckBox::toggled, this, [this](bool on) {
    const std::uint32_t options = kGalleryOptions | (on ? PROPS_SHOW_DESCRIPTION | PROPS_DESCRIPTION_PROMPT : 0u);
    tree_->SetOptions(options);
  });
  connect(tree_, &CPropertyTreeCtrl::ItemCommand, this, &GalleryWindow::OnItemCommand, Qt::DirectConnection);

  BuildTree();
  resize(440, 600);
}

void GalleryWindow::BuildTree() {
  BuildGeneral();
  BuildNetwork();
  BuildDisplay();
  items_.about = AddCategory(*tree_, QStringLiteral("About"), kCategoryColor, false);
  auto* build = AddRow(*tree_, items_.about, std::make_unique<CStaticPropertyItem>(), QStringLiteral("Build"));
  build->SetValueText(QStringLiteral("gallery & demo"));
  tree_->UpdateView();
}

void GalleryWindow::BuildGeneral() {
  CPropertyTreeCtrl& tree = *tree_;
  items_.general = AddCategory(tree, QStringLiteral("General"), kFirstCategoryColor, true);
  CPropertyItem* general = items_.general;
  items_.serial = AddRow(tree, general, std::make_unique<CStaticPropertyItem>(), QStringLiteral("Serial number"),
                         QStringLiteral("Set by the program; it cannot be edited."));
  items_.serial->SetValueText(QStringLiteral("KX-0042-A7"));
  items_.serial->SetValueBackColor(ColorFromColorRef(kGreyValue));
  items_.name = AddText(tree, general, 101, QStringLiteral("Name"), QStringLiteral("Studio B uplink"));
  items_.name->SetDescription(QStringLiteral("Free text; Enter or leaving the field commits it."));
  items_.count = AddText(tree, general, 102, QStringLiteral("Count"), QStringLiteral("42"), PROP_EDIT_NUMBER);
  items_.count->SetDescription(QStringLiteral("Digits only."));
  items_.secret = AddText(tree, general, 103, QStringLiteral("Secret"), QStringLiteral("ULDRULDR"), PROP_EDIT_PASSWORD);
  items_.notes = AddText(tree, general, 104, QStringLiteral("Notes"), QStringLiteral("First line\nSecond line"),
                         PROP_EDIT_MULTILINE, PROP_EDIT_WANTRETURN);
  items_.notes->SetDescription(QStringLiteral("Several lines; Enter breaks the line, leaving the field commits."));
  items_.mode = AddChoice(tree, general, 105, QStringLiteral("Mode"),
                          {QStringLiteral("automatic"), QStringLiteral("manual"), QStringLiteral("off")}, 0);
  QStringList levels;
  for (int level = 1; level <= 9; ++level) levels << QStringLiteral("Level %1").arg(level);
  items_.level = AddChoice(tree, general, 106, QStringLiteral("Level"), levels, 4);
  items_.longLabel = AddText(tree, general, 107, QStringLiteral("A rather long label that does not fit its column"),
                             QStringLiteral("shortened with ..."));
  items_.lockedChoice = AddChoice(tree, general, 108, QStringLiteral("Locked choice"),
                                  {QStringLiteral("yes"), QStringLiteral("no")}, 1);
  items_.lockedChoice->SetReadOnly(true);
  items_.lockedChoice->SetValueBackColor(ColorFromColorRef(kGreyValue));
}

void GalleryWindow::BuildNetwork() {
  CPropertyTreeCtrl& tree = *tree_;
  items_.network = AddCategory(tree, QStringLiteral("Network"), kCategoryColor, true);
  CPropertyItem* network = items_.network;
  items_.address = AddAddress(tree, network, 201, QStringLiteral("Address"), 0xC0A8010Au);
  items_.mask = AddAddress(tree, network, 202, QStringLiteral("Mask"), 0xFFFFFF00u);
  items_.mask->SetReadOnly(true);
  items_.mask->SetValueBackColor(ColorFromColorRef(kGreyValue));
  items_.gateway = AddAddress(tree, network, 203, QStringLiteral("Gateway"), 0xC0A80101u);
  items_.port = AddText(tree, network, 204, QStringLiteral("Port"), QString(), PROP_EDIT_NUMBER);
  items_.port->SetIntValue(5004);
  items_.advanced = AddRow(tree, network, std::make_unique<CStaticPropertyItem>(), QStringLiteral("Advanced"),
                           QStringLiteral("A row with rows of its own."));
  items_.advanced->SetValueText(QStringLiteral("(3 settings)"));
  items_.advanced->SetExpanded(true);
  items_.retries = AddText(tree, items_.advanced, 205, QStringLiteral("Retries"), QStringLiteral("3"), PROP_EDIT_NUMBER);
  AddText(tree, items_.advanced, 206, QStringLiteral("Timeout (ms)"), QStringLiteral("500"), PROP_EDIT_NUMBER);
  items_.transport = AddChoice(tree, items_.advanced, 207, QStringLiteral("Transport"),
                               {QStringLiteral("udp"), QStringLiteral("rtp")}, 0);
}

void GalleryWindow::BuildDisplay() {
  CPropertyTreeCtrl& tree = *tree_;
  items_.display = AddCategory(tree, QStringLiteral("Display"), kCategoryColor, true);
  AddText(tree, items_.display, 301, QStringLiteral("Brightness"), QStringLiteral("128"), PROP_EDIT_NUMBER);
  AddText(tree, items_.display, 302, QStringLiteral("Contrast"), QStringLiteral("64"), PROP_EDIT_NUMBER);
  AddText(tree, items_.display, 303, QStringLiteral("Caption"), QStringLiteral("Salt & pepper"));
  AddChoice(tree, items_.display, 304, QStringLiteral("Layout"),
            {QStringLiteral("single"), QStringLiteral("split"), QStringLiteral("quad")}, -1);
}

QString GalleryWindow::DescribeCommand(int commandId, CPropertyItem* item) {
  // A multi-line value keeps to its one line: its breaks are written as \n.
  const QString value = ValueOf(item).replace(QLatin1Char('\n'), QLatin1String("\\n"));
  return QStringLiteral("%1 %2 \"%3\"").arg(commandId).arg(item ? item->GetLabel() : QString(), value);
}

void GalleryWindow::OnItemCommand(int commandId, CPropertyItem* item) {
  const QString line = DescribeCommand(commandId, item);
  log_->insertItem(0, line);
  // Whoever drives the gallery from a script reads the same line on standard output, at once.
  if (commandOutput_) {
    std::fputs(line.toUtf8().append('\n').constData(), commandOutput_);
    std::fflush(commandOutput_);
  }
}

}  // namespace kestrine::ui
