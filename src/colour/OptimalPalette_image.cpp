// cPalette::CreateOptimal over a cDIBSection: the byte view laid over its bits in place, and the
// check that no event handler remade the image while the tree is being filled from it.
#include "image_geometry.h"
#include "module_source.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {

void cPalette::CreateOptimal(cDIBSection& cDib, Long PalSize, Byte nLevels) {
  const ImageGeometry geometry = ImageGeometry::Of(cDib);
  if (!geometry.Usable()) raise_error(errors::kInvalidProcedureCall, kPaletteSource);
  const ByteView view = geometry.View(cDib);
  BuildOptimal(ConstByteView(view.data(), view.stride(), view.rows()), geometry.width,
               geometry.height, PalSize, nLevels, [&cDib, geometry] {
                 // A handler that remade or released the image ends the walk over it.
                 if (!(ImageGeometry::Of(cDib) == geometry))
                   raise_error(errors::kInvalidProcedureCall, kPaletteSource);
               });
}

}  // namespace zentrik
