#pragma once

#include <QHash>
#include <QOpenGLShaderProgram>
#include <QString>

#include <memory>

// One linked GLSL program and its uniform locations, cached by name.
// Empty until create() runs with a current context; destroying it needs the
// context only when it holds a program.
class ShaderProgram
{
public:
    explicit ShaderProgram(const QString &name);
    ~ShaderProgram();

    ShaderProgram(const ShaderProgram &) = delete;
    ShaderProgram &operator=(const ShaderProgram &) = delete;

    // Makes the GL program object on the current context.
    void create();

    // Looks the name up in the linked program (bind it first is not needed)
    // and stores its location, replacing an older entry. -1 when the linker
    // dropped or never saw the uniform.
    void addUniform(const QString &name);

    // The stored location. A name never added is entered with -1, which GL
    // ignores, so a write through it cannot land on another uniform.
    GLint &uniform(const QString &name);

    bool isRegistered(const QString &name) const { return uniforms.contains(name); }

    QHash<QString, GLint> uniforms;
    bool hasGeometry = false;
    QString name;
    std::unique_ptr<QOpenGLShaderProgram> program;
};
