#include "nrcore/NRController.h"

#include "UdpFindControllers.h"

NRController::NRController(const std::string& localAddress)
    : NRController(localAddress, std::make_unique<nrcore::UdpFindControllers>())
{}

NRController::NRController(const std::string&, std::unique_ptr<NRFindControllers> engine) : m_engine(std::move(engine))
{}

NRController::~NRController() = default;
