#pragma once

#include <vector>

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrine::config {
struct AuditFinding;
}

namespace kestrine::app {

// The findings of "Audit Encoders", one row each, errors first: severity, kind, the encoders it names and
// what is wrong. A double-click on a row selects its (first) encoder in the device tree. The dialog
// stays open beside the window, so the operator can go through the encoders it names.
class CAuditDlg final : public QDialog {
  Q_OBJECT

 public:
  // `addresses`: the audited encoders' node texts, by the positions the findings name.
  CAuditDlg(const QStringList& addresses, const std::vector<config::AuditFinding>& findings, QWidget* parent);

  [[nodiscard]] QTreeWidget& Findings() const { return *findings_; }
  [[nodiscard]] QString Summary() const;

 signals:
  // The encoder the operator wants to look at, by its node's text.
  void EncoderChosen(const QString& address);

 private:
  void OnRowActivated(const QTreeWidgetItem* row);

  QLabel* summary_;
  QTreeWidget* findings_;
};

}  // namespace kestrine::app
