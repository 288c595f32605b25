#include "mesh/model/dependent_channels.h"

CDependentChannels::~CDependentChannels() { RemoveAll(); }

void CDependentChannels::RemoveAll() {
  for (int i = 0; i < m_channels.GetSize(); ++i) delete m_channels[i];
  m_channels.SetSize(0);
}

int CDependentChannels::CleanChannels(CGeomInfo* geom, CIntMap* faceRemap, CIntMap* pointRemap) {
  int mismatches = 0;
  for (int i = 0; i < m_channels.GetSize(); ++i) {
    if (!m_channels[i]->Clean(geom, faceRemap, pointRemap)) ++mismatches;
  }
  return mismatches;
}

int CDependentChannels::AddChannel(CChannel* channel) { return m_channels.Add(channel); }

CChannel* CDependentChannels::GetChannelByIndex(int i) const { return m_channels.GetAt(i); }
