#include "shaderprogram.h"

ShaderProgram::ShaderProgram(const QString &name)
    : name(name)
{
}

ShaderProgram::~ShaderProgram() = default;

void ShaderProgram::create()
{
    program = std::make_unique<QOpenGLShaderProgram>();
}

void ShaderProgram::addUniform(const QString &uniformName)
{
    GLint location = -1;
    if (program) {
        location = program->uniformLocation(uniformName.toLatin1().constData());
    }
    uniforms.insert(uniformName, location);
}

GLint &ShaderProgram::uniform(const QString &uniformName)
{
    auto it = uniforms.find(uniformName);
    if (it == uniforms.end()) {
        it = uniforms.insert(uniformName, -1);
    }
    return it.value();
}
