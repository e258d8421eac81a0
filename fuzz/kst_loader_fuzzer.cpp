// Reads arbitrary bytes as a ".kst" file, builds the mesh and then uses it the
// way the game does: an entity poses its skeleton copy, morphs and draws.
#include "engine/assert.h"
#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/meshloader.h"
#include "tests/support/list_only_device.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

namespace {

void exercise(Kestrel::Mesh& mesh, TestSupport::ListOnlyDevice& device) {
    Kestrel::Entity entity(&mesh);
    for (unsigned i = 0; i < entity.getBoneCount(); ++i)
        entity.getBone(i)->setRotation(0.3f * i, -0.2f, 0.1f);
    entity.update(0.016f);
    entity.update(0.016f);
    entity.draw();
    Kestrel::VertexList out(Kestrel::USAGE_DYNAMIC);
    for (const Kestrel::RenderItem& item : device.getRenderQueue()) {
        if (item.morphable && item.morphable->morph(*item.faceList->getVertexList(), out) &&
            out.getVertexCount() != item.faceList->getVertexList()->getVertexCount())
            std::abort();
    }
    device.render(nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Kestrel::setAssertionHandler(TestSupport::ignoreAssertion);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Kestrel::MeshFile file;
    file.read(in, "fuzz.kst");
    TestSupport::ListOnlyDevice device;
    std::unique_ptr<Kestrel::Mesh> mesh(Kestrel::MeshLoader(&device).build(file, "fuzz.kst"));
    if (mesh)
        exercise(*mesh, device);
    return 0;
}
