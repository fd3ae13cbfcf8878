// cPalette's entry list: appending, reading back, the nearest-colour search and clearing.
#include "zentrik/colour/cPalette.h"

#include "ClosestIndexMap.h"
#include "ColourOctree.h"
#include "module_source.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {

cPalette::cPalette() : octree_(std::make_unique<ColourOctree>()) {}
cPalette::~cPalette() = default;
cPalette::cPalette(const cPalette& other)
    : ProgressSource(other),
      entries_(other.entries_),
      octree_(std::make_unique<ColourOctree>(*other.octree_)) {}
cPalette& cPalette::operator=(const cPalette& other) {
  if (this != &other) {
    ProgressSource::operator=(other);
    entries_ = other.entries_;
    *octree_ = *other.octree_;
  }
  return *this;
}

void cPalette::Add(Long Red, Long Green, Long Blue) {
  entries_.push_back(PaletteEntry{static_cast<Byte>(Red & 0xFF), static_cast<Byte>(Green & 0xFF),
                                  static_cast<Byte>(Blue & 0xFF), 0});
}

Long cPalette::ClosestIndex(Long Red, Long Green, Long Blue) const {
  return ClosestIndexByScan(entries_, Red, Green, Blue);
}

const PaletteEntry& cPalette::EntryAt(const Variant& iIndex) const {
  const Long index = iIndex.to_long();
  // An index outside the list is refused rather than read past it.
  if (index < 1 || index > Count()) raise_error(errors::kSubscriptOutOfRange, kPaletteSource);
  return entries_[static_cast<std::size_t>(index - 1)];
}

Byte cPalette::Red(const Variant& iIndex) const {
  return EntryAt(iIndex).red;
}

Byte cPalette::Green(const Variant& iIndex) const {
  return EntryAt(iIndex).green;
}

Byte cPalette::Blue(const Variant& iIndex) const {
  return EntryAt(iIndex).blue;
}

void cPalette::Clear() {
  entries_.clear();
}

void cPalette::EraseNodes() {
  octree_->Erase();
}

void cPalette::ResetTo(Long count) {
  entries_.assign(static_cast<std::size_t>(count), PaletteEntry{});
}

}  // namespace zentrik
