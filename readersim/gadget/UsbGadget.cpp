#include "UsbGadget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace readersim {
namespace {

constexpr const char *GadgetRoot = "/sys/kernel/config/usb_gadget";
constexpr const char *Config = "configs/c.1";
constexpr const char *English = "strings/0x409";

std::string hex4(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", value);
    return text;
}

void makeDirectory(const std::string &path)
{
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
}

// configfs attributes take one write of their whole value.
void writeAttribute(const std::string &path, const std::string &value)
{
    std::ofstream out(path, std::ios::binary);
    out << value;
    out.flush();
    if (!out)
        throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}

} // namespace

UsbGadget::UsbGadget(std::string name) : path_(std::string(GadgetRoot) + "/" + std::move(name))
{
    if (::access(GadgetRoot, W_OK) != 0)
        throw std::runtime_error(std::string("no USB gadget support: ") + GadgetRoot +
                                 " is missing (configfs mounted, libcomposite loaded?)");
    makeDirectory(path_);
    writeAttribute(path_ + "/bcdUSB", "0x0200");
    makeDirectory(path_ + "/" + English);
    makeDirectory(path_ + "/" + Config);
    makeDirectory(path_ + "/" + Config + "/" + English);
    writeAttribute(path_ + "/" + Config + "/MaxPower", "100");
}

UsbGadget::~UsbGadget()
{
    unbind();
    // configfs wants its tree taken down leaves first; a failure leaves a
    // gadget behind, nothing worse.
    for (auto link = links_.rbegin(); link != links_.rend(); ++link)
        ::unlink(link->c_str());
    ::rmdir((path_ + "/" + Config + "/" + English).c_str());
    ::rmdir((path_ + "/" + Config).c_str());
    for (const std::string &function : functions_)
        ::rmdir(function.c_str());
    ::rmdir((path_ + "/" + English).c_str());
    ::rmdir(path_.c_str());
}

void UsbGadget::setIdentity(const GadgetIdentity &identity)
{
    writeAttribute(path_ + "/idVendor", hex4(identity.vendorId));
    writeAttribute(path_ + "/idProduct", hex4(identity.productId));
    writeAttribute(path_ + "/bcdDevice", hex4(identity.bcdDevice));
    // An empty string leaves the device without it (index 0).
    writeAttribute(path_ + "/" + English + "/manufacturer", identity.manufacturer);
    writeAttribute(path_ + "/" + English + "/product", identity.product);
}

std::string UsbGadget::addFunctionFs(const std::string &function)
{
    const std::string path = path_ + "/functions/ffs." + function;
    makeDirectory(path);
    functions_.insert(functions_.begin(), path); // removed in reverse order
    const std::string link = path_ + "/" + Config + "/ffs." + function;
    if (::symlink(path.c_str(), link.c_str()) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot add " + path + " to the configuration: " + std::strerror(errno));
    links_.push_back(link);
    return function;
}

void UsbGadget::bind(const std::string &udc)
{
    if (bound())
        return;
    writeAttribute(path_ + "/UDC", udc);
    udc_ = udc;
}

void UsbGadget::unbind()
{
    if (!bound())
        return;
    std::ofstream(path_ + "/UDC") << "\n";
    udc_.clear();
}

std::vector<std::string> UsbGadget::controllers()
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("/sys/class/udc", error))
        names.push_back(entry.path().filename());
    // dummy_udc.2 before dummy_udc.10
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

} // namespace readersim
