#include "app/DeviceNode.h"

#include "app/PaintedIcons.h"
#include "platform/Ipv4Text.h"

namespace kestrine::app {

DeviceNode::DeviceNode(const QString& addressText) : QTreeWidgetItem(kType) {
  setText(0, addressText);
  // An address that does not parse connects nowhere rather than to whatever the bytes happen to say.
  std::uint32_t address = 0;
  entry_.ipAddr = platform::ParseDottedQuad(addressText.toStdString(), address) ? address : 0;
  SetImage(1);
}

void DeviceNode::SetImage(int image) {
  image_ = image;
  setIcon(0, PaintedIcon(NodeImagePicture(image)));
}

}  // namespace kestrine::app
