#include "dialogs/Prompts.h"
#include "dialogs/SiteWidgets.h"
#include "dialogs/SitesModel.h"
#include "dialogs/frmDeploy.h"
#include "dialogs/frmDeploys.h"
#include "dialogs/frmSites.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

// The Sites window's way into deploys: a new one for the sites chosen, a version from a site's
// history, and the past runs with their reverts.
void frmSites::addDeployButtons(QHBoxLayout* row)
{
    cmdDeploy = dialogs::siteButton(
        "cmdDeploy", QStringLiteral("Deploy..."),
        QStringLiteral("Send one sound to the selected sites, or to all when none is selected"),
        this);
    cmdDeploys = dialogs::siteButton("cmdDeploys", QStringLiteral("Deploys..."),
                                     QStringLiteral("Past deploys, and their reverts"), this);
    connect(cmdDeploy, &QPushButton::clicked, this, &frmSites::deployToSelected);
    connect(cmdDeploys, &QPushButton::clicked, this, &frmSites::showDeploys);
    row->addWidget(cmdDeploy);
    row->addWidget(cmdDeploys);
}

frmDeploy* frmSites::newDeploy()
{
    if (m_store == nullptr) {
        return nullptr;
    }
    fleet::Selection targets;
    targets.names = selectedSites();
    targets.all = targets.names.isEmpty();
    auto* deploy = new frmDeploy(*m_store, m_link, m_prompts, targets, this);
    deploy->setAttribute(Qt::WA_DeleteOnClose);
    connect(deploy, &frmDeploy::siteDeployed, this, &frmSites::siteRecorded);
    connect(deploy, &frmDeploy::deployFinished, this, [this] {
        reload();
        if (m_deploys) {
            m_deploys->reload();
        }
    });
    deploy->show();
    return deploy;
}

frmDeploy* frmSites::deployToSelected()
{
    frmDeploy* deploy = newDeploy();
    if (deploy != nullptr) {
        deploy->edtSource->setFocus();
    }
    return deploy;
}

frmDeploys* frmSites::showDeploys()
{
    if (m_store == nullptr) {
        return nullptr;
    }
    if (m_deploys == nullptr) {
        m_deploys = new frmDeploys(*m_store, this);
        m_deploys->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_deploys, &frmDeploys::revertAsked, this, [this](qint64 id) {
            if (frmDeploy* deploy = newDeploy()) {
                deploy->setRevert(id);
            }
        });
    } else {
        m_deploys->reload();
    }
    m_deploys->show();
    m_deploys->raise();
    m_deploys->activateWindow();
    return m_deploys;
}
