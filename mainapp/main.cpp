#include "mainapp/JorvaneApp.h"

int main(int argc, char** argv) {
    return CJorvaneApp::Run(argc, argv);
}
