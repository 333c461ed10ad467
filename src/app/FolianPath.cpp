#include "app/FolianPath.h"

#include <QDebug>

FolianPath::FolianPath(const QString& name) : _name(name) {}

void FolianPath::addChild(std::unique_ptr<FolianPath> child) {
  child->_parent = this;
  _children.push_back(std::move(child));
}

FolianPath* FolianPath::findChildByName(const QString& name) const {
  for (const auto& child : _children)
    if (child->path() == name) return child.get();
  return nullptr;
}

QString FolianPath::fullPath() const {
  if (_parent == nullptr || _parent->path().isEmpty()) return _name;
  return _parent->fullPath() + QLatin1Char('/') + _name;
}

void FolianPath::addPath(const QString& path) {
  FolianPath* current = this;
  const QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  for (const QString& component : components) {
    qInfo().noquote() << "  pPath=" + component;
    FolianPath* next = current->findChildByName(component);
    if (next == nullptr) {
      auto created = std::make_unique<FolianPath>(component);
      next = created.get();
      qInfo().noquote() << "  parent addChild " + component;
      current->addChild(std::move(created));
    }
    current = next;
  }
}
