#include "app/AuditDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/FleetAudit.h"
#include "config/HumanText.h"

namespace kestrine::app {
namespace {

constexpr int kAddressRole = Qt::UserRole + 1;  // the first encoder's node text

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// "1 error", "2 warnings"
QString Counted(int count, const char* what) {
  return QStringLiteral("%1 %2%3").arg(count).arg(QString::fromLatin1(what)).arg(count == 1 ? "" : "s");
}

QString SummaryOf(int encoders, const std::vector<config::AuditFinding>& findings) {
  int errors = 0;
  for (const config::AuditFinding& finding : findings) {
    if (finding.severity == config::FindingSeverity::Error) ++errors;
  }
  const int warnings = static_cast<int>(findings.size()) - errors;
  const QString audited = Counted(encoders, "encoder") + QStringLiteral(" audited: ");
  if (findings.empty()) return audited + QStringLiteral("nothing found");
  return audited + Counted(errors, "error") + QStringLiteral(", ") + Counted(warnings, "warning");
}

}  // namespace

CAuditDlg::CAuditDlg(const QStringList& addresses, const std::vector<config::AuditFinding>& findings, QWidget* parent)
    : QDialog(parent), summary_(new QLabel(this)), findings_(new QTreeWidget(this)) {
  setObjectName("auditDialog");
  setWindowTitle(QStringLiteral("Audit Encoders"));
  setAccessibleName(windowTitle());
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  summary_->setObjectName("auditSummary");
  summary_->setText(SummaryOf(static_cast<int>(addresses.size()), findings));
  findings_->setObjectName("auditFindings");
  findings_->setAccessibleName(QStringLiteral("Findings"));
  findings_->setRootIsDecorated(false);
  findings_->setUniformRowHeights(true);
  findings_->setHeaderLabels(
      {QStringLiteral("Severity"), QStringLiteral("Kind"), QStringLiteral("Encoders"), QStringLiteral("Text")});
  for (const config::AuditFinding& finding : findings) {
    QStringList encoders;
    for (const std::size_t index : finding.encoders) encoders << addresses.value(static_cast<qsizetype>(index));
    auto* row = new QTreeWidgetItem(
        findings_, {FromUtf8(config::SeverityName(finding.severity)), FromUtf8(config::FindingKindName(finding.kind)),
                    encoders.join(QStringLiteral(", ")), FromUtf8(config::HumanText(finding.text))});
    row->setData(0, kAddressRole, encoders.value(0));
    row->setToolTip(3, row->text(3));
  }
  for (int column = 0; column < 3; ++column) findings_->resizeColumnToContents(column);
  connect(findings_, &QTreeWidget::itemActivated, this,
          [this](const QTreeWidgetItem* row, int /*column*/) { OnRowActivated(row); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setObjectName("closeButton");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(findings_, 1);
  layout->addWidget(buttons);
  resize(760, 360);
}

QString CAuditDlg::Summary() const { return summary_->text(); }

void CAuditDlg::OnRowActivated(const QTreeWidgetItem* row) {
  const QString address = row != nullptr ? row->data(0, kAddressRole).toString() : QString();
  if (!address.isEmpty()) emit EncoderChosen(address);
}

}  // namespace kestrine::app
