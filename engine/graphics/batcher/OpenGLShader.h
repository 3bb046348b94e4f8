// One GLSL ES program made from a vertex and a fragment source. It links lazily on first use;
// ReleaseAll drops the GL objects of every program (GL shutdown) and the next use links again
// from the stored sources.
#pragma once

#include <GLES2/gl2.h>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "system/Types.h"

namespace Vorn {

class OpenGLShader : public RefCounter {
public:
    enum ShaderType { VERTEX_SHADER = 0, FRAGMENT_SHADER = 1 };
    // Attribute slots bound before linking.
    enum Attribute { ATTRIB_POSITION = 0, ATTRIB_UV = 1, ATTRIB_COLOR = 2 };

    // twoTextures: the sampler "tex2" is bound to unit 1 on every use. No GL work here.
    explicit OpenGLShader(bool m_twoTextures = false);
    ~OpenGLShader() override;

    OpenGLShader(const OpenGLShader&) = delete;
    OpenGLShader& operator=(const OpenGLShader&) = delete;

    // Stores copies of both texts; the vertex source gets the 0-degree position macro in front
    // of it when linked. A linked program is dropped, so the next use links the new sources.
    void SetSources(const char* vertexSource, const char* fragmentSource);

    // Compiles both shaders and links the program (dropping any previous GL objects first).
    // True when every stage compiled and the program linked with an empty log. A program that
    // failed still has its name and is used as it is.
    bool Link();

    // Links first when there is no program; makes it current and sets the samplers "tex" = 0
    // and, with two textures, "tex2" = 1.
    void Use();

    GLuint GetProgram() const { return m_program; }
    bool UsesTwoTextures() const { return m_twoTextures; }

    // Uniform setters by name; the program must be in use. An unknown name is ignored.
    void SetUniform1i(const char* name, int value);
    void SetUniform1f(const char* name, float value);
    void SetUniform2f(const char* name, float x, float y);
    void SetUniform3f(const char* name, float x, float y, float z);

    // Creates and compiles one shader of the given type into shader. Any type but VERTEX_SHADER
    // and FRAGMENT_SHADER returns false without creating anything; otherwise the result is the
    // compile status.
    bool CompileShader(GLuint& shader, const char* source, int type);

    // True when the info log of a shader or program is shorter than two characters; a longer log
    // is read and discarded.
    static bool CheckLog(GLuint name, bool isProgram);

    // Deletes this program's GL objects; the sources stay.
    void DeleteGLObjects();
    // DeleteGLObjects for every live program.
    static void ReleaseAll();
    // How many programs exist (tests).
    static size_t GetLiveCount();

private:
    GLuint m_program;
    bool m_twoTextures;
    GLuint m_vertexShader;
    GLuint m_fragmentShader;
    NarrowString m_vertexSource;
    NarrowString m_fragmentSource;
};

}  // namespace Vorn
