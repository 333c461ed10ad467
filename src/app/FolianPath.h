#pragma once
// A node of a tree of named path components ("a" with the children "b" and
// "c" stands for a/b and a/c). Every document holds one root with the empty
// name; a node owns its children.

#include <QString>
#include <memory>
#include <vector>

class FolianPath {
 public:
  explicit FolianPath(const QString& name);
  FolianPath(const FolianPath&) = delete;
  FolianPath& operator=(const FolianPath&) = delete;

  /// The parent, or null for a root.
  FolianPath* parent() const { return _parent; }
  /// The node's own component name (not the full path).
  const QString& path() const { return _name; }
  /// Number of children.
  int count() const { return static_cast<int>(_children.size()); }
  /// Child `index` (below count()), in the order it was added.
  FolianPath* childAtIndex(int index) const { return _children.at(index).get(); }

  /// Takes `child` as the last child and becomes its parent.
  void addChild(std::unique_ptr<FolianPath> child);
  /// The first child, in insertion order, named exactly `name`; null if none.
  FolianPath* findChildByName(const QString& name) const;
  /// The path from the topmost named ancestor down to this node, joined with
  /// "/": the children of an unnamed root have no leading separator.
  QString fullPath() const;
  /// Makes sure the chain of components of `path` exists below this node,
  /// creating what is missing. Runs of "/" count as one; leading and trailing
  /// ones make no empty component.
  void addPath(const QString& path);

 private:
  FolianPath* _parent = nullptr;
  QString _name;
  std::vector<std::unique_ptr<FolianPath>> _children;
};
