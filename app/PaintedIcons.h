#pragma once

#include <QIcon>
#include <QSize>

namespace kestrine::app {

// The program's pictures. They are painted rather than loaded, so they stay sharp at every scale.
enum class Picture {
  EncoderAnswered,    // monitor with a green screen (node image 0)
  EncoderUnanswered,  // monitor with a grey screen (node image 1)
  EncoderAlert,       // yellow disc with a red exclamation mark (node image 2)
  New,
  Cut,
  Copy,
  Paste,
  Print,
  Program,
};

// The size the picture is designed for: 14 x 14 for node images, 16 x 15 for toolbar buttons, 32 x 32
// for the program icon.
[[nodiscard]] QSize DesignSize(Picture picture);
[[nodiscard]] QIcon PaintedIcon(Picture picture);
// The picture of a node image index (0, 1 or 2).
[[nodiscard]] Picture NodeImagePicture(int image);

}  // namespace kestrine::app
