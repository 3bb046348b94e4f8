#include "graphics/batcher/OpenGLShader.h"

#include <set>
#include <vector>

#include "graphics/batcher/ShaderLibrary.h"

namespace Vorn {

namespace {

std::set<OpenGLShader*>& LiveShaders()
{
    // Never destroyed: GL objects may still be released while static objects go away at exit.
    static auto* s_live = new std::set<OpenGLShader*>;
    return *s_live;
}

}  // namespace

OpenGLShader::OpenGLShader(bool twoTextures)
    : m_program(0), m_twoTextures(twoTextures), m_vertexShader(0), m_fragmentShader(0)
{
    LiveShaders().insert(this);
}

OpenGLShader::~OpenGLShader()
{
    LiveShaders().erase(this);
    DeleteGLObjects();
}

void OpenGLShader::SetSources(const char* vertex, const char* fragment)
{
    DeleteGLObjects();
    m_vertexSource = vertex;
    m_fragmentSource = fragment;
}

bool OpenGLShader::CompileShader(GLuint& shader, const char* source, int type)
{
    if (type != VERTEX_SHADER && type != FRAGMENT_SHADER)
        return false;
    shader = glCreateShader(type == VERTEX_SHADER ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    CheckLog(shader, false);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    return status == GL_TRUE;
}

bool OpenGLShader::Link()
{
    DeleteGLObjects();
    NarrowString vertex = ShaderLibrary::PositionMacro[0];
    vertex += m_vertexSource;
    bool ok = CompileShader(m_vertexShader, vertex.c_str(), VERTEX_SHADER);
    ok = CompileShader(m_fragmentShader, m_fragmentSource.c_str(), FRAGMENT_SHADER) && ok;

    m_program = glCreateProgram();
    glAttachShader(m_program, m_vertexShader);
    glAttachShader(m_program, m_fragmentShader);
    glBindAttribLocation(m_program, ATTRIB_POSITION, "inPos");
    glBindAttribLocation(m_program, ATTRIB_UV, "inUV");
    glBindAttribLocation(m_program, ATTRIB_COLOR, "inColor");
    glLinkProgram(m_program);
    GLint status = GL_FALSE;
    glGetProgramiv(m_program, GL_LINK_STATUS, &status);
    return CheckLog(m_program, true) && status == GL_TRUE && ok;
}

void OpenGLShader::Use()
{
    if (m_program == 0)
        Link();
    glUseProgram(m_program);
    SetUniform1i("tex", 0);
    if (m_twoTextures)
        SetUniform1i("tex2", 1);
}

void OpenGLShader::SetUniform1i(const char* name, int value)
{
    glUniform1i(glGetUniformLocation(m_program, name), value);
}

void OpenGLShader::SetUniform1f(const char* name, float value)
{
    glUniform1f(glGetUniformLocation(m_program, name), value);
}

void OpenGLShader::SetUniform2f(const char* name, float x, float y)
{
    glUniform2f(glGetUniformLocation(m_program, name), x, y);
}

void OpenGLShader::SetUniform3f(const char* name, float x, float y, float z)
{
    glUniform3f(glGetUniformLocation(m_program, name), x, y, z);
}

bool OpenGLShader::CheckLog(GLuint name, bool isProgram)
{
    GLint length = 0;
    if (isProgram)
        glGetProgramiv(name, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(name, GL_INFO_LOG_LENGTH, &length);
    if (length < 2)
        return true;
    // Nothing shows the log; it is read so that a debugger can look at it.
    std::vector<char> log(static_cast<size_t>(length));
    if (isProgram)
        glGetProgramInfoLog(name, length, nullptr, log.data());
    else
        glGetShaderInfoLog(name, length, nullptr, log.data());
    return false;
}

void OpenGLShader::DeleteGLObjects()
{
    if (m_program)
        glDeleteProgram(m_program);
    if (m_vertexShader)
        glDeleteShader(m_vertexShader);
    if (m_fragmentShader)
        glDeleteShader(m_fragmentShader);
    m_program = m_vertexShader = m_fragmentShader = 0;
}

void OpenGLShader::ReleaseAll()
{
    for (OpenGLShader* shader : LiveShaders())
        shader->DeleteGLObjects();
}

size_t OpenGLShader::GetLiveCount()
{
    return LiveShaders().size();
}

}  // namespace Vorn
