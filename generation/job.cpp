#include "generation/job.h"

#include "crypto/common.h"
#include "generation/file_names.h"

namespace petitora {

void InitGenerationJob(GenerationJob& job, CaptureStorage& capture, cerrojo::RandomPool* pool) {
    job.registrant = &capture.registrant;
    job.workingDirectory = capture.workingDirectory;
    job.workBuffer = capture.workBuffer.data();
    job.privateKeyBuffer =
        reinterpret_cast<cerrojo::RsaPrivateKey*>(capture.privateKeyBuffer.data());
    job.keySizeIndex = 0;
    job.password.Clear();
    job.passwordConfirmation.Clear();
    job.pathText = DefaultRequestName(capture.registrant);
    job.destination = ResolveDestination(job.pathText, job.workingDirectory);
    job.outputName = job.destination.requestName;
    job.outputLength = kWorkBufferSize;
    job.pool = pool;
    if (pool != nullptr) cerrojo::SecureWipeObject(*pool);
    job.publicKey = {};
    job.replaceAgreedPath.clear();
}

}  // namespace petitora
