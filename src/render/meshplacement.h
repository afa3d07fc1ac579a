#pragma once

#include <QString>

#include <glm/glm.hpp>

#include <optional>

class IndexBuffer;
class Visual;
class VisualNode;

using GLuint = unsigned int;

// The parts of mesh drawing and tank-part placement that need no GL context.

// The matrices one draw sends with every group.
struct MeshMatrices
{
    glm::mat4 modelView {1.0f};
    glm::mat4 mvp {1.0f};
    glm::mat4 depthBias {1.0f};
};

// The main-pass matrices of a placement from the view, or, with mainPass false, the
// shadow-pass ones from the light (depth bias identity). Identity inputs stand in
// when no matrix stack exists.
[[nodiscard]] MeshMatrices meshMatrices(const glm::mat4 &placement, bool mainPass);

// The range glDrawElements takes for one primitive group.
struct GroupDrawRange
{
    int indexCount = 0;
    unsigned int indexType = 0; // GL_UNSIGNED_INT or GL_UNSIGNED_SHORT
    quintptr byteOffset = 0;
};

// The draw range of group groupIndex of an index buffer; none when the index lies
// outside its groups (negative included), in which case the group draws nothing.
// A range running past the indices the buffer holds is cut to the whole triangles
// inside it (none left: no range).
[[nodiscard]] std::optional<GroupDrawRange> groupDrawRange(const IndexBuffer &indices,
                                                           int groupIndex);

// The node named name ignoring case: root itself when it matches, else the first
// match of a depth-first, pre-order walk below it. Null when none matches.
[[nodiscard]] VisualNode *findVisualNode(const Visual &visual, const QString &name);

// The camouflage state a tank part reads while drawing, gathered by the tank side
// from its camouflage loader and turret and gun chooser.
struct TankCamouflage
{
    bool overlay = false; // the overlay switch
    // The current colours, 0..255 per channel.
    glm::vec4 colors[4] = {glm::vec4(0.0f), glm::vec4(0.0f), glm::vec4(0.0f), glm::vec4(0.0f)};
    glm::vec4 tankTiling {1.0f};   // current tank tiling
    GLuint texture = 0;            // current camouflage texture
    QString hullMask;              // the tank's exclusion mask, as the definition names it
    QString chassisMask;           // the chassis copy of the root mask; empty: no camouflage
    glm::vec4 turretTiling {1.0f}; // of the chooser's turret with the current turret name
    QString turretMask;
    glm::vec4 gunTiling {1.0f}; // of the current gun
    QString gunMask;
};

// The placement of one tank part and the point it is mounted at.
struct TankPartPlacement
{
    glm::mat4 model {1.0f};
    glm::vec3 position {0.0f};
};

// The model matrix of a part (0 chassis, 1 hull, 2 turret, 3 gun) from its own visual
// and the visuals of the chassis, hull and turret of the form being loaded:
//   chassis = T(position) x scale(R.scale) x S
//   hull    = T(position) x R.local x S
//   turret  = T(P), P = translation of the hull's "HP_turretJoint"; position = P
//   gun     = T(P') x (world-space ? scale(R.scale) : R.local) x "gun".local, P' from the
//             turret's "HP_gunJoint"
// with R the first node bound to the first render set of own and S the scale of the
// chassis's "tank" node. A missing node, visual or binding counts as identity (zero
// translation for a joint) and logs a Warning. Other parts keep identity.
[[nodiscard]] TankPartPlacement composeTankPartModel(quint32 part, const glm::vec3 &position,
                                                     const Visual &own, const Visual *chassis,
                                                     const Visual *hull, const Visual *turret);

// The camouflage of one primitive group.
struct CamouflageDecision
{
    bool enabled = false;
    glm::vec4 colors[4] = {glm::vec4(0.0f), glm::vec4(0.0f), glm::vec4(0.0f), glm::vec4(0.0f)};
    glm::vec4 tiling {1.0f}; // part tiling x tank tiling
    QString maskName;        // exclusion mask to find; empty: none
};

// No camouflage outside the undamaged form, with the overlay off, for an identifier
// containing "equipment", "bottom" or "track" (case-sensitive), for a chassis with
// no mask, or for a part that is not chassis, hull, turret or gun. Colours are scaled
// to 0..1; hull and chassis mask names get "/" for every "\".
[[nodiscard]] CamouflageDecision decideCamouflage(int shownForm, quint32 part,
                                                  const QString &identifier,
                                                  const TankCamouflage &camouflage);
