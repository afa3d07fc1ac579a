#pragma once

#include <glm/glm.hpp>

class RenderWidget;
struct OverlayInfo;

// What the view draws and asks of the loaded tank, the hangars and the collision
// world, which live in higher libraries. The tank library registers one with
// RenderWidget::setSceneHooks before the view is first shown; while unset the view
// draws its grid and overlay alone. Every call comes with the view's context current.
class ViewSceneHooks
{
public:
    virtual ~ViewSceneHooks() = default;

    // Initialisation, in the view's order: after the material loader (the tank
    // loader), after the texture loader and before the database's first rebuild (the
    // camouflage loader), after the matrix stack (the hangars), after the grid (the
    // hangars load), and last, once the view is ready (the collision world's view).
    virtual void createTankLoader() { }
    virtual void createCamoLoader() { }
    virtual void createHangars() { }
    virtual void loadHangars() { }
    virtual void viewReady(RenderWidget *view) { }
    // Before the view's texture and material loaders go: from its destructor, and when
    // its context is replaced (a second initialisation then makes everything again).
    virtual void releaseScene() { }

    // The frame: the tank's depth pass into the bound shadow map, the hangar, the tank.
    virtual void drawShadowPass() { }
    virtual void drawHangar(bool premium) { }
    virtual void drawTank() { }
    // The tank block and both triangle counts of the overlay.
    virtual void fillOverlay(OverlayInfo &info, bool hangarShown, bool premium) { }

    // A Ctrl+click in armour mode: the shell's ray from the eye.
    virtual void traceShot(const glm::vec3 &from, const glm::vec3 &to) { }
    // The ends of the stored shot, drawn as the ray line; false leaves the view's own.
    virtual bool shotLine(glm::vec3 &start, glm::vec3 &end) const { return false; }

    // The view's sceneReload slot: the hangars and the tank again.
    virtual void reloadScene() { }
};
