#pragma once

class FlashExHost;
class FlashExServiceManager;
class MvGpImageConverter;
class Rasteriser;
class SecurityPolicy;
class TempFolderRegistry;

// What the program's services are made with, all owned elsewhere.
struct ServiceWiring {
    FlashExHost& host;
    SecurityPolicy& policy;
    TempFolderRegistry& tempFolders;
    Rasteriser& rasteriser;
    const MvGpImageConverter& encoders;
};

// Every service of the program, in the order in which the manager offers
// them a command: window, files, OLE automation, COM modules, shell, movies,
// clipboard, common dialogs, images, media.
void registerServices(FlashExServiceManager& manager, const ServiceWiring& wiring);
