// Exception types shared by the discovery library and the tool. All are copyable:
// copying copies the standard base and every field.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    Exception() = default;
    Exception(std::int32_t code, std::string text) : m_code(code), m_text(std::move(text)) {}
    ~Exception() override = default;

    std::int32_t Code() const { return m_code; }
    const std::string& Text() const { return m_text; }

private:
    std::int32_t m_code = 0;
    std::string m_text;
};

// The query for one controller could not be sent, or its socket failed.
class ExceptionCommunicationsError : public Exception {
public:
    using Exception::Exception;
};

// The queried node is a member node; ControllerAddress() names the controller it belongs to.
class ExceptionMemberFound : public Exception {
public:
    ExceptionMemberFound(std::int32_t code, std::string text, std::string controllerAddress)
        : Exception(code, std::move(text)), m_controllerAddress(std::move(controllerAddress))
    {}

    const std::string& ControllerAddress() const { return m_controllerAddress; }

private:
    std::string m_controllerAddress;
};
