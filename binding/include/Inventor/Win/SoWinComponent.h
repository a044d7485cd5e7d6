// SoWin stand-in: the component base, title and show.
// Requires: SoWin::init() first. Does not: destroy the platform's viewer it stands for.
#pragma once

namespace sowin_standin
{
class ViewerBackend;
}

class SoWinComponent
{
  public:
    virtual ~SoWinComponent();
    // Titles the component's window; an embedded component titles its top-level window.
    void setTitle(const char *title);
    virtual void show(void);

  protected:
    explicit SoWinComponent(sowin_standin::ViewerBackend *backend);
    sowin_standin::ViewerBackend *const backend;

  private:
    SoWinComponent *next_component; // every live component stays listed, as in SoWin
};
