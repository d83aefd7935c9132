#include "app/AddDeviceDlg.h"

namespace kestrine::app {
namespace {

const AddressDialogTemplate kAddDevice{
    "addDeviceDialog", "Add Device Dialog",   QSize(201, 105),     QRect(93, 84, 50, 14),
    QRect(144, 84, 50, 14), QRect(17, 22, 168, 48), "IP Address :", QRect(30, 39, 139, 19),
    1002, "IP Address id zero!!!",
};

}  // namespace

CAddDeviceDlg::CAddDeviceDlg(MessageBoxPresenter& boxes, QWidget* parent) : AddressDialog(kAddDevice, boxes, parent) {}

}  // namespace kestrine::app
