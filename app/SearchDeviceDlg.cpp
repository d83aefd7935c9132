#include "app/SearchDeviceDlg.h"

#include "property_tree/IPAddressCtrl.h"

namespace kestrine::app {
namespace {

const AddressDialogTemplate kSearchDevice{
    "searchDeviceDialog", "Search Device Dialog", QSize(208, 97),        QRect(79, 76, 50, 14),
    QRect(131, 76, 50, 14), QRect(18, 22, 173, 46),  "Broadcast Addr:", QRect(36, 39, 141, 17),
    1000, "Broadcast Address id zero!!!",
};

}  // namespace

CSearchDeviceDlg::CSearchDeviceDlg(std::optional<std::uint32_t> proposal, MessageBoxPresenter& boxes, QWidget* parent)
    : AddressDialog(kSearchDevice, boxes, parent) {
  if (proposal) AddressCtrl().SetAddress(*proposal);
}

}  // namespace kestrine::app
