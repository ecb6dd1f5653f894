#include "jid.h"

#include "state.h"

namespace standin {

namespace {

std::string text(const char *s)
{
    return s ? std::string(s) : std::string();
}

bool isPlainPart(const std::string &part)
{
    return part.find_first_of("@/") == std::string::npos;
}

} // namespace

Jid::Jid(bool counted)
    : m_counted(counted)
{
    if (m_counted)
        State::instance().objectCreated(State::Jid);
}

Jid::~Jid()
{
    if (m_counted)
        State::instance().objectReleased(State::Jid);
}

void Jid::Release()
{
    delete this;
}

std::string Jid::bare() const
{
    return m_node.empty() ? m_domain : m_node + '@' + m_domain;
}

const char *Jid::Full() const
{
    m_text = bare();
    if (!m_resource.empty())
        m_text += '/' + m_resource;
    return m_text.c_str();
}

const char *Jid::ToString() const
{
    m_text = bare();
    return m_text.c_str();
}

bool Jid::SetNode(const char *node)
{
    const std::string value = text(node);
    if (!isPlainPart(value))
        return false;
    m_node = value;
    return true;
}

bool Jid::SetDomain(const char *domain)
{
    const std::string value = text(domain);
    if (!isPlainPart(value))
        return false;
    m_domain = value;
    return true;
}

bool Jid::SetResource(const char *resource)
{
    m_resource = text(resource);
    return true;
}

bool Jid::SetFull(const char *jid)
{
    if (!jid)
        return false;
    std::string node, domain, resource;
    if (!parse(jid, &node, &domain, &resource))
        return false;
    m_node = node;
    m_domain = domain;
    m_resource = resource;
    return true;
}

bool Jid::IsEmpty() const
{
    return m_node.empty() && m_domain.empty() && m_resource.empty();
}

bool Jid::parse(const std::string &text, std::string *node, std::string *domain, std::string *resource)
{
    const std::size_t slash = text.find('/');
    const std::string bareText = text.substr(0, slash);
    *resource = slash == std::string::npos ? std::string() : text.substr(slash + 1);
    const std::size_t at = bareText.find('@');
    if (at == std::string::npos) {
        node->clear();
        *domain = bareText;
        return true;
    }
    *node = bareText.substr(0, at);
    *domain = bareText.substr(at + 1);
    return domain->find('@') == std::string::npos;
}

} // namespace standin
