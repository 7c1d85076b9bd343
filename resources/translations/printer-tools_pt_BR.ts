<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR" sourcelanguage="en">
<context>
    <name>TBPrinters</name>
    <message>
        <source>No permission: install the udev rule</source>
        <translation>Sem permissão: instale a regra udev</translation>
    </message>
    <message>
        <source>In use by other application</source>
        <translation>Em uso por outro programa</translation>
    </message>
    <message>
        <source>Not Responding</source>
        <translation>Não responde</translation>
    </message>
    <message>
        <source>Unavailable</source>
        <translation>Indisponível</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Ativado</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>Desativado</translation>
    </message>
    <message>
        <source>Alert</source>
        <translation>Alerta</translation>
    </message>
    <message>
        <source>This update tool is for the ZEV QXA printer. It will upgrade the printer firmware to version %1.

Once updated, the QXA printer will REQUIRE the use of QXAHS media packs. Please use up all QXA media before using this update tool. This process cannot be undone.</source>
        <translation>Esta ferramenta de atualização é para a impressora ZEV QXA. Ela vai atualizar o firmware da impressora para a versão %1.

Depois da atualização, a impressora QXA EXIGIRÁ o uso de kits de mídia QXAHS. Use toda a mídia QXA antes de usar esta ferramenta de atualização. Este processo não pode ser desfeito.</translation>
    </message>
    <message>
        <source>This update tool will upgrade the printer firmware to version %1. This process cannot be undone</source>
        <translation>Esta ferramenta de atualização vai atualizar o firmware da impressora para a versão %1. Este processo não pode ser desfeito.</translation>
    </message>
    <message>
        <source>-- Warning --

Are you certain you want to update the firmware?</source>
        <translation>-- Aviso --

Tem certeza de que deseja atualizar o firmware?</translation>
    </message>
    <message>
        <source>The printer may be permanently damaged if it is unplugged or loses power during the update process.</source>
        <translation>A impressora pode ser danificada permanentemente se for desconectada ou ficar sem energia durante a atualização.</translation>
    </message>
    <message>
        <source>I Agree</source>
        <translation>Concordo</translation>
    </message>
    <message>
        <source>Attention:</source>
        <translation>Atenção:</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Sair</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Continuar</translation>
    </message>
    <message>
        <source>The Selected Printer is Unavailable. (Busy)</source>
        <translation>A impressora selecionada está indisponível. (Ocupada)</translation>
    </message>
    <message>
        <source>Please power-cycle the selected printer now to complete the process!</source>
        <translation>Desligue e ligue novamente a impressora selecionada agora para concluir o processo!</translation>
    </message>
    <message>
        <source>Old print queues could not be removed</source>
        <translation>Não foi possível remover as filas de impressão antigas</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device. These print queues for it could not be removed:

%1

Remove them in the printer settings, or ask your administrator to remove them.</source>
        <translation>A impressora aparecerá para o sistema de impressão como um novo dispositivo. Não foi possível remover estas filas de impressão dela:

%1

Remova-as nas configurações de impressora ou peça ao administrador do sistema que as remova.</translation>
    </message>
    <message>
        <source>Checking firmware ...</source>
        <translation>Verificando o firmware ...</translation>
    </message>
    <message>
        <source>A printer was unexpectedly found in firmware update mode. Would you like to update the firmware? </source>
        <translation>Uma impressora foi encontrada inesperadamente no modo de atualização de firmware. Deseja atualizar o firmware? </translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Ignorar</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>Atualizar firmware</translation>
    </message>
    <message>
        <source>Please power-cycle this printer</source>
        <translation>Desligue e ligue novamente esta impressora</translation>
    </message>
    <message>
        <source>Contact customer support if power-cycling does not resolve the issue.</source>
        <translation>Entre em contato com o suporte ao cliente se desligar e ligar novamente não resolver o problema.</translation>
    </message>
    <message>
        <source>Being updated by another program</source>
        <translation>Em atualização por outro programa</translation>
    </message>
    <message>
        <source>Firmware version updated to %1</source>
        <translation>Versão do firmware atualizada para %1</translation>
    </message>
    <message>
        <source>Firmware version updated from %1 to %2</source>
        <translation>Versão do firmware atualizada de %1 para %2</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>desconhecida</translation>
    </message>
    <message>
        <source>Current firmware version: %1</source>
        <translation>Versão atual do firmware: %1</translation>
    </message>
    <message>
        <source>Previous firmware version: %1 current version: %2</source>
        <translation>Versão anterior do firmware: %1; versão atual: %2</translation>
    </message>
    <message>
        <source>There was a problem with the firmware update!</source>
        <translation>Houve um problema na atualização do firmware!</translation>
    </message>
    <message>
        <source>Firmware update not needed</source>
        <translation>Atualização de firmware desnecessária</translation>
    </message>
    <message>
        <source>This printer has firmware version %1 installed.</source>
        <translation>Esta impressora está com a versão %1 do firmware instalada.</translation>
    </message>
    <message>
        <source>Printer Not Ready</source>
        <translation>Impressora não está pronta</translation>
    </message>
    <message>
        <source>Please correct the following issue: %1</source>
        <translation>Corrija o seguinte problema: %1</translation>
    </message>
    <message>
        <source>Proceed</source>
        <translation>Prosseguir</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Printer Busy</source>
        <translation>Impressora ocupada</translation>
    </message>
    <message>
        <source>Another application is using the printer. Please proceed when the printer becomes available.</source>
        <translation>Outro programa está usando a impressora. Prossiga quando a impressora estiver disponível.</translation>
    </message>
    <message>
        <source>Update Firmware to %1</source>
        <translation>Atualizar firmware para %1</translation>
    </message>
    <message>
        <source>Updating firmware ...</source>
        <translation>Atualizando o firmware ...</translation>
    </message>
    <message>
        <source>Writing firmware ...</source>
        <translation>Gravando o firmware ...</translation>
    </message>
    <message>
        <source>The firmware could not be sent to the printer</source>
        <translation>Não foi possível enviar o firmware para a impressora</translation>
    </message>
    <message>
        <source>The printer stays in firmware update mode until it receives the firmware. Check the USB cable and choose Update Firmware… to send it again. A printer that was unplugged gets the firmware again when it is plugged back in.</source>
        <translation>A impressora permanece no modo de atualização de firmware até receber o firmware. Verifique o cabo USB e escolha “Atualizar firmware…” para enviá-lo novamente. Uma impressora que foi desconectada recebe o firmware novamente quando é conectada de volta.</translation>
    </message>
    <message>
        <source>There is a problem with the firmware files.</source>
        <translation>Há um problema com os arquivos de firmware.</translation>
    </message>
    <message>
        <source>The printer could not be opened.</source>
        <translation>Não foi possível abrir a impressora.</translation>
    </message>
    <message>
        <source>The color tables could not be written</source>
        <translation>Não foi possível gravar as tabelas de cores</translation>
    </message>
    <message>
        <source>The printer has its new firmware. Unplug it and plug it in again to write the color tables.</source>
        <translation>A impressora já está com o novo firmware. Desconecte-a e conecte-a novamente para gravar as tabelas de cores.</translation>
    </message>
    <message>
        <source>Updating color tables ...</source>
        <translation>Atualizando as tabelas de cores ...</translation>
    </message>
    <message>
        <source>The printer stopped taking them.</source>
        <translation>A impressora parou de aceitá-las.</translation>
    </message>
    <message>
        <source>Firmware update was successful!</source>
        <translation>A atualização do firmware foi concluída com sucesso!</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Concluir</translation>
    </message>
    <message>
        <source>-- File corruption --

There is a problem with the firmware files.</source>
        <translation>-- Arquivos corrompidos --

Há um problema com os arquivos de firmware.</translation>
    </message>
    <message>
        <source>Contact customer support.</source>
        <translation>Entre em contato com o suporte ao cliente.</translation>
    </message>
    <message>
        <source>There was a problem with the firmware file!</source>
        <translation>Houve um problema com o arquivo de firmware!</translation>
    </message>
    <message>
        <source>This application may be damaged. Please download a new copy.</source>
        <translation>Este programa pode estar danificado. Baixe uma nova cópia.</translation>
    </message>
    <message>
        <source>The update history %1 is locked by another program. Updates are recorded as soon as it is free again.</source>
        <translation>O histórico de atualizações %1 está bloqueado por outro programa. As atualizações serão registradas assim que ele for liberado.</translation>
    </message>
    <message>
        <source>The update history %1 cannot be used: %2</source>
        <translation>Não é possível usar o histórico de atualizações %1: %2</translation>
    </message>
    <message>
        <source>The update history %1 could not be read (%2). It was set aside as %3 and a new one started.</source>
        <translation>Não foi possível ler o histórico de atualizações %1 (%2). Ele foi guardado como %3 e um novo foi iniciado.</translation>
    </message>
    <message>
        <source>No update history is kept.</source>
        <translation>Nenhum histórico de atualizações é mantido.</translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation>Nenhuma atualização foi registrada.</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>Colour tables:</source>
        <translation>Tabelas de cores:</translation>
    </message>
    <message>
        <source>Update history</source>
        <translation>Histórico de atualizações</translation>
    </message>
    <message>
        <source>The record of firmware updates under way could not be read</source>
        <translation>Não foi possível ler o registro das atualizações de firmware em andamento</translation>
    </message>
    <message>
        <source>It was set aside as %1.</source>
        <translation>Ele foi guardado como %1.</translation>
    </message>
    <message>
        <source>An update that was interrupted when this program last ended cannot be carried on by itself. A printer found in firmware update mode can still be updated from here.</source>
        <translation>Uma atualização interrompida quando este programa foi encerrado pela última vez não pode continuar sozinha. Uma impressora encontrada no modo de atualização de firmware ainda pode ser atualizada por aqui.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>from %1 to %2</source>
        <translation>de %1 para %2</translation>
    </message>
    <message>
        <source>being updated by another program</source>
        <translation>em atualização por outro programa</translation>
    </message>
    <message>
        <source>This update tool will upgrade the firmware of these printers to versions %1. This process cannot be undone</source>
        <translation>Esta ferramenta de atualização vai atualizar o firmware destas impressoras para as versões %1. Este processo não pode ser desfeito.</translation>
    </message>
    <message>
        <source>it left the USB bus</source>
        <translation>ela se desconectou do barramento USB</translation>
    </message>
    <message>
        <source>no update needed (firmware %1 installed)</source>
        <translation>nenhuma atualização necessária (firmware %1 instalado)</translation>
    </message>
    <message>
        <source>the firmware files are damaged</source>
        <translation>os arquivos de firmware estão danificados</translation>
    </message>
    <message>
        <source>busy: another application is using it</source>
        <translation>ocupada: outro programa está usando a impressora</translation>
    </message>
    <message>
        <source>not responding</source>
        <translation>não responde</translation>
    </message>
    <message>
        <source>not ready: %1</source>
        <translation>não está pronta: %1</translation>
    </message>
    <message>
        <source>its update is already under way</source>
        <translation>a atualização dela já está em andamento</translation>
    </message>
    <message>
        <source>These printers will be updated:</source>
        <translation>Estas impressoras serão atualizadas:</translation>
    </message>
    <message>
        <source>These printers will not be updated:</source>
        <translation>Estas impressoras não serão atualizadas:</translation>
    </message>
    <message>
        <source>Update %1 Printers</source>
        <translation>Atualizar %1 impressoras</translation>
    </message>
    <message>
        <source>%1 of %2 printers updated</source>
        <translation>Impressoras atualizadas: %1 de %2</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>cancelada</translation>
    </message>
    <message>
        <source>Updated:</source>
        <translation>Atualizadas:</translation>
    </message>
    <message>
        <source>Failed:</source>
        <translation>Com falha:</translation>
    </message>
    <message>
        <source>Not updated:</source>
        <translation>Não atualizadas:</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>Atualizando</translation>
    </message>
    <message>
        <source>The printer did not come back</source>
        <translation>A impressora não se reconectou</translation>
    </message>
    <message>
        <source>The printer left the USB bus to restart during its firmware update and has not come back within %1 minutes. Check that it is switched on and that its USB cable is plugged in. Once it is back, the update carries on by itself; if it does not, power-cycle the printer.</source>
        <translation>A impressora se desconectou do barramento USB para reiniciar durante a atualização de firmware e não se reconectou em %1 minutos. Verifique se ela está ligada e se o cabo USB está conectado. Quando ela se reconectar, a atualização continuará sozinha; se isso não acontecer, desligue e ligue novamente a impressora.</translation>
    </message>
    <message>
        <source>Printer Error</source>
        <translation>Erro na impressora</translation>
    </message>
    <message>
        <source>The printer is not responding properly. Please power-cycle the printer and try again.</source>
        <translation>A impressora não está respondendo corretamente. Desligue e ligue novamente a impressora e tente de novo.</translation>
    </message>
    <message>
        <source>Firmware Update Mode</source>
        <translation>Modo de atualização de firmware</translation>
    </message>
    <message>
        <source>Unknown Status</source>
        <translation>Status desconhecido</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>Pronta</translation>
    </message>
    <message>
        <source>Printing</source>
        <translation>Imprimindo</translation>
    </message>
    <message>
        <source>Head cool down cycle</source>
        <translation>Resfriamento da cabeça</translation>
    </message>
    <message>
        <source>Motor cool down cycle</source>
        <translation>Resfriamento do motor</translation>
    </message>
    <message>
        <source>Sleeping (standby mode)</source>
        <translation>Em repouso (modo de espera)</translation>
    </message>
    <message>
        <source>Cover Open</source>
        <translation>Tampa aberta</translation>
    </message>
    <message>
        <source>Scrap Box Missing</source>
        <translation>Caixa de aparas ausente</translation>
    </message>
    <message>
        <source>Paper End</source>
        <translation>Fim do papel</translation>
    </message>
    <message>
        <source>Ribbon End</source>
        <translation>Fim da fita</translation>
    </message>
    <message>
        <source>Paper Jam</source>
        <translation>Papel atolado</translation>
    </message>
    <message>
        <source>Ribbon Error</source>
        <translation>Erro na fita</translation>
    </message>
    <message>
        <source>Wrong Paper</source>
        <translation>Papel incorreto</translation>
    </message>
    <message>
        <source>Bad Data</source>
        <translation>Dados inválidos</translation>
    </message>
    <message>
        <source>Head Voltage Error</source>
        <translation>Erro de tensão da cabeça</translation>
    </message>
    <message>
        <source>Head Position Error</source>
        <translation>Erro de posição da cabeça</translation>
    </message>
    <message>
        <source>Power supply Error</source>
        <translation>Erro na fonte de alimentação</translation>
    </message>
    <message>
        <source>Cutter Error</source>
        <translation>Erro no cortador</translation>
    </message>
    <message>
        <source>Pinch Roller Error</source>
        <translation>Erro no rolo de pressão</translation>
    </message>
    <message>
        <source>Head Temp High Error</source>
        <translation>Temperatura da cabeça muito alta</translation>
    </message>
    <message>
        <source>Media Temp Error</source>
        <translation>Erro de temperatura da mídia</translation>
    </message>
    <message>
        <source>Motor Temp Error</source>
        <translation>Erro de temperatura do motor</translation>
    </message>
    <message>
        <source>Ribbon Tension Error</source>
        <translation>Erro de tensão da fita</translation>
    </message>
    <message>
        <source>RFID Module Error</source>
        <translation>Erro no módulo RFID</translation>
    </message>
    <message>
        <source>System Fail Error</source>
        <translation>Falha do sistema</translation>
    </message>
    <message>
        <source>USB Available</source>
        <translation>USB disponível</translation>
    </message>
    <message>
        <source>USB Open</source>
        <translation>USB aberta</translation>
    </message>
    <message>
        <source>Waiting for USB</source>
        <translation>Aguardando USB</translation>
    </message>
    <message>
        <source>USB Busy</source>
        <translation>USB ocupada</translation>
    </message>
    <message>
        <source>%1 at port %2</source>
        <translation>%1 na porta %2</translation>
    </message>
    <message>
        <source>Succeeded</source>
        <translation>Bem-sucedida</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Falhou</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Cancelada</translation>
    </message>
    <message>
        <source>Not needed</source>
        <translation>Desnecessária</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>Perdida</translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>Interrompida</translation>
    </message>
    <message>
        <source>Under way</source>
        <translation>Em andamento</translation>
    </message>
    <message>
        <source>Request</source>
        <translation>Solicitação</translation>
    </message>
    <message>
        <source>Restart into update mode</source>
        <translation>Reinício no modo de atualização</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>Transferência</translation>
    </message>
    <message>
        <source>Programming and restart</source>
        <translation>Programação e reinício</translation>
    </message>
    <message>
        <source>Colour tables</source>
        <translation>Tabelas de cores</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Início</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Impressora</translation>
    </message>
    <message>
        <source>Device Key</source>
        <translation>Chave do dispositivo</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Colour Tables</source>
        <translation>Tabelas de cores</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Resultado</translation>
    </message>
    <message>
        <source>Failure</source>
        <translation>Falha</translation>
    </message>
    <message>
        <source>Update History</source>
        <translation>Histórico de atualizações</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exportar…</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Recarregar</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fechar</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>Exportar histórico</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>Salvo em %1</translation>
    </message>
    <message>
        <source>The history could not be saved to “%1”.</source>
        <translation>Não foi possível salvar o histórico em “%1”.</translation>
    </message>
    <message>
        <source>The update history could not be used as it was</source>
        <translation>Não foi possível usar o histórico de atualizações como estava</translation>
    </message>
    <message>
        <source>USB Status</source>
        <translation>Status USB</translation>
    </message>
    <message>
        <source>Printer Status</source>
        <translation>Status da impressora</translation>
    </message>
    <message>
        <source>Package Firmware</source>
        <translation>Firmware do pacote</translation>
    </message>
    <message>
        <source>Lifetime Counter</source>
        <translation>Contador total</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Número de série</translation>
    </message>
    <message>
        <source>USB Serial Number</source>
        <translation>Número de série USB</translation>
    </message>
    <message>
        <source>Colour Tables (Version / Checksum)</source>
        <translation>Tabelas de cores (versão / soma de verificação)</translation>
    </message>
    <message>
        <source>Colour table %1: version %2, checksum %3</source>
        <translation>Tabela de cores %1: versão %2, soma de verificação %3</translation>
    </message>
    <message>
        <source>Printers</source>
        <translation>Impressoras</translation>
    </message>
    <message>
        <source>&amp;Printer</source>
        <translation>&amp;Impressora</translation>
    </message>
    <message>
        <source>Update Firmware…</source>
        <translation>Atualizar firmware…</translation>
    </message>
    <message>
        <source>Update the selected printer&apos;s firmware and colour tables</source>
        <translation>Atualizar o firmware e as tabelas de cores da impressora selecionada</translation>
    </message>
    <message>
        <source>Update All Printers…</source>
        <translation>Atualizar todas as impressoras…</translation>
    </message>
    <message>
        <source>Update the firmware and colour tables of every listed printer at the same time</source>
        <translation>Atualizar ao mesmo tempo o firmware e as tabelas de cores de todas as impressoras listadas</translation>
    </message>
    <message>
        <source>Read the selected printer&apos;s information again</source>
        <translation>Ler novamente as informações da impressora selecionada</translation>
    </message>
    <message>
        <source>History…</source>
        <translation>Histórico…</translation>
    </message>
    <message>
        <source>Show the firmware updates made on this computer and export them for support</source>
        <translation>Mostrar as atualizações de firmware feitas neste computador e exportá-las para o suporte</translation>
    </message>
    <message>
        <source>%1 updates are in progress…</source>
        <translation>%1 atualizações estão em andamento…</translation>
    </message>
    <message>
        <source>An update is in progress…</source>
        <translation>Uma atualização está em andamento…</translation>
    </message>
    <message>
        <source>If you quit now, the update stops where it stands. A printer still waiting for its firmware stays in firmware update mode and cannot print until the firmware is sent to it again; a printer that already has its new firmware keeps its old color tables.

Keep this program running until it reports the outcome.</source>
        <translation>Se você sair agora, a atualização para onde está. Uma impressora que ainda aguarda o firmware permanece no modo de atualização de firmware e não consegue imprimir até que o firmware seja enviado de novo; uma impressora que já está com o novo firmware mantém as tabelas de cores antigas.

Mantenha este programa aberto até que ele informe o resultado.</translation>
    </message>
    <message>
        <source>Keep Running</source>
        <translation>Manter aberto</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>Sair mesmo assim</translation>
    </message>
    <message>
        <source>No simulated printer</source>
        <translation>Nenhuma impressora simulada</translation>
    </message>
    <message>
        <source>&amp;Simulation</source>
        <translation>&amp;Simulação</translation>
    </message>
    <message>
        <source>Plug in or unplug simulated printers, or make one misbehave</source>
        <translation>Conectar ou desconectar impressoras simuladas, ou provocar falhas em uma delas</translation>
    </message>
    <message>
        <source>Plug In</source>
        <translation>Conectar</translation>
    </message>
    <message>
        <source>Other Models (Ignored by This Program)</source>
        <translation>Outros modelos (ignorados por este programa)</translation>
    </message>
    <message>
        <source>%1 printer</source>
        <translation>Impressora %1</translation>
    </message>
    <message>
        <source>In Firmware Update Mode</source>
        <translation>No modo de atualização de firmware</translation>
    </message>
    <message>
        <source>Unplug</source>
        <translation>Desconectar</translation>
    </message>
    <message>
        <source>Power Cycle</source>
        <translation>Desligar e ligar</translation>
    </message>
    <message>
        <source>Paper End Error</source>
        <translation>Erro de fim do papel</translation>
    </message>
    <message>
        <source>Held by Another Program</source>
        <translation>Ocupada por outro programa</translation>
    </message>
    <message>
        <source>%1: not a good S-record file</source>
        <translation>%1: arquivo S-record inválido</translation>
    </message>
    <message>
        <source>%1: good S-record file (header &quot;%2&quot;)</source>
        <translation>%1: arquivo S-record válido (cabeçalho “%2”)</translation>
    </message>
    <message>
        <source>%1: good S-record file</source>
        <translation>%1: arquivo S-record válido</translation>
    </message>
    <message>
        <source>The firmware package is intact.</source>
        <translation>O pacote de firmware está íntegro.</translation>
    </message>
    <message>
        <source>The firmware package is damaged: reinstall the program.</source>
        <translation>O pacote de firmware está danificado: reinstale o programa.</translation>
    </message>
    <message>
        <source>No printer found.</source>
        <translation>Nenhuma impressora encontrada.</translation>
    </message>
    <message>
        <source>Nothing was heard from the printer for %1 minutes. Check it and its cable, then run the update again.</source>
        <translation>A impressora não deu sinal por %1 minutos. Verifique a impressora e o cabo dela e execute a atualização novamente.</translation>
    </message>
    <message>
        <source>The printer is gone</source>
        <translation>A impressora não está mais presente</translation>
    </message>
    <message>
        <source>The printer left the USB bus before its turn came.</source>
        <translation>A impressora se desconectou do barramento USB antes de chegar a vez dela.</translation>
    </message>
    <message>
        <source>The printer was not updated</source>
        <translation>A impressora não foi atualizada</translation>
    </message>
    <message>
        <source>%1: %2, firmware %3</source>
        <translation>%1: %2, firmware %3</translation>
    </message>
    <message>
        <source>%1: the printer left the USB bus (restarting)</source>
        <translation>%1: a impressora se desconectou do barramento USB (reiniciando)</translation>
    </message>
    <message>
        <source>%1: the printer is back</source>
        <translation>%1: a impressora se reconectou</translation>
    </message>
    <message>
        <source>Another running printer-flasher is updating this printer. Let it finish, then try again.</source>
        <translation>Outra instância do printer-flasher em execução está atualizando esta impressora. Aguarde a conclusão e tente novamente.</translation>
    </message>
    <message>
        <source>No USB serial-number switch</source>
        <translation>Sem opção de envio do número de série USB</translation>
    </message>
    <message>
        <source>This printer cannot switch its USB serial-number report.</source>
        <translation>Esta impressora não permite ativar ou desativar o envio do número de série USB.</translation>
    </message>
    <message>
        <source>Nothing to switch</source>
        <translation>Nada a alterar</translation>
    </message>
    <message>
        <source>The USB serial-number report is already %1.</source>
        <translation>O envio do número de série USB já está “%1”.</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report on?</source>
        <translation>Ativar o envio do número de série USB?</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report off?</source>
        <translation>Desativar o envio do número de série USB?</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device after its next power cycle; the print queues of its model are removed.</source>
        <translation>Depois de ser desligada e ligada novamente, a impressora aparecerá para o sistema de impressão como um novo dispositivo; as filas de impressão do modelo dela são removidas.</translation>
    </message>
    <message>
        <source>Switch On</source>
        <translation>Ativar</translation>
    </message>
    <message>
        <source>Switch Off</source>
        <translation>Desativar</translation>
    </message>
    <message>
        <source>USB serial-number report switched</source>
        <translation>Envio do número de série USB alterado</translation>
    </message>
    <message>
        <source>Power-cycle the printer to complete the change.</source>
        <translation>Desligue e ligue novamente a impressora para concluir a alteração.</translation>
    </message>
    <message>
        <source>The switch was not changed</source>
        <translation>A configuração não foi alterada</translation>
    </message>
    <message>
        <source>The printer did not take the switch.</source>
        <translation>A impressora não aceitou a alteração.</translation>
    </message>
    <message>
        <source>Run this on a terminal to answer it, or pass --yes to accept the warning and the confirmation.</source>
        <translation>Execute isto em um terminal para responder ou use --yes para aceitar o aviso e a confirmação.</translation>
    </message>
    <message>
        <source>The question could not be asked: there is no terminal to answer it on.</source>
        <translation>Não foi possível fazer a pergunta: não há um terminal para respondê-la.</translation>
    </message>
    <message>
        <source>The operator answered &quot;%1&quot;.</source>
        <translation>O operador respondeu “%1”.</translation>
    </message>
    <message>
        <source>%1; update progress %2</source>
        <translation>%1; progresso da atualização: %2</translation>
    </message>
    <message>
        <source>The supported printers on the USB bus, one per row. Each row tells the printer, its status, its firmware and the progress of its update.</source>
        <translation>As impressoras compatíveis no barramento USB, uma por linha. Cada linha informa a impressora, o status, o firmware e o progresso da atualização.</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Progresso da atualização</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>%1: cannot ask this question: there is no terminal to answer it on.</source>
        <translation>%1: não é possível fazer esta pergunta: não há um terminal para respondê-la.</translation>
    </message>
    <message>
        <source>(not available)</source>
        <translation>(indisponível)</translation>
    </message>
    <message>
        <source>Choose 1-%1 [1]:</source>
        <translation>Escolha 1-%1 [1]:</translation>
    </message>
    <message>
        <source>%1: no answer (end of input).</source>
        <translation>%1: sem resposta (fim da entrada).</translation>
    </message>
    <message>
        <source>Please choose one of the available answers.</source>
        <translation>Escolha uma das respostas disponíveis.</translation>
    </message>
    <message>
        <source>Capture:</source>
        <translation>Captura:</translation>
    </message>
    <message>
        <source>The capture and this run diverged</source>
        <translation>A captura e esta execução divergiram</translation>
    </message>
</context>
<context>
    <name>TBUSBPrinterZEV</name>
    <message>
        <source>Internal error L%1</source>
        <translation>Erro interno L%1</translation>
    </message>
    <message>
        <source>Communication error</source>
        <translation>Erro de comunicação</translation>
    </message>
</context>
</TS>
