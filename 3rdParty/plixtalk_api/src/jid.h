#ifndef STANDIN_JID_H
#define STANDIN_JID_H

#include "plixtalk_api.h"

#include <string>

namespace standin {

class Jid final : public plix::IJid
{
public:
    // A counted JID is one the program holds and gives back with Release().
    explicit Jid(bool counted = false);
    ~Jid() override;

    void Release() override;

    const char *Node() const override { return m_node.c_str(); }
    const char *Domain() const override { return m_domain.c_str(); }
    const char *Resource() const override { return m_resource.c_str(); }
    const char *Full() const override;
    const char *ToString() const override;

    bool SetNode(const char *node) override;
    bool SetDomain(const char *domain) override;
    bool SetResource(const char *resource) override;
    bool SetFull(const char *jid) override;

    bool IsEmpty() const override;
    bool IsValid() const override { return !m_domain.empty(); }
    bool IsBare() const override { return m_resource.empty(); }

    // Splits "node@domain/resource"; false for a second "@" before the resource.
    static bool parse(const std::string &text, std::string *node, std::string *domain, std::string *resource);

private:
    std::string bare() const;

    const bool m_counted;
    std::string m_node;
    std::string m_domain;
    std::string m_resource;
    mutable std::string m_text; // backs Full() and ToString()
};

} // namespace standin

#endif // STANDIN_JID_H
