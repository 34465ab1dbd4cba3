#pragma once

#include <memory>
#include <utility>

namespace tessary::ui {

// Makes a Qt object whose last constructor argument is its parent: the parent owns it from the
// first moment, so the pointer handed back is a plain, non-owning one.
template <typename T, typename Parent, typename... Args> T *Child(Parent *parent, Args &&...args) {
  return std::make_unique<T>(std::forward<Args>(args)..., parent).release();
}

} // namespace tessary::ui
