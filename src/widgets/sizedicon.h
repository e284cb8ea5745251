#pragma once

#include <QIcon>
#include <QString>
#include <vector>

namespace plandor {

// An icon drawn from PNG files made for several sizes (a path with %1 for
// the size). Each file is read the first time its size is drawn, and only
// then: a plain file icon reads every size at once, the largest included.
// The size is chosen as a plain file icon chooses it: the smallest that is
// at least as large as asked, else the largest.
QIcon sizedPngIcon(const QString& pathPattern, std::vector<int> sizes);

}  // namespace plandor
